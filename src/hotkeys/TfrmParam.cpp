#include "hotkeys/TfrmParam.h"

#include "hotkeys/ParamPreview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vistrel {

namespace {

const QStringList KindChoices{
    QStringLiteral("フルスクリーン(&F)"), QStringLiteral("アクティブウインドウ(&A)"),
    QStringLiteral("ウインドウまたはコントロール(&W)"), QStringLiteral("範囲を指定(&R)")};

const QStringList ActionChoices{QStringLiteral("名前を付けて保存する(&A)"),
                                QStringLiteral("名前を付けてJPEG保存する(&J)"),
                                QStringLiteral("名前を付けてPNG保存する(&P)"),
                                QStringLiteral("名前を付けてGIF保存する(&G)"),
                                QStringLiteral("連続して保存する(&R)"),
                                QStringLiteral("クリップボードへコピーする(&C)"),
                                QStringLiteral("印刷出力する(&P)"),
                                QStringLiteral("電子メールで送信する(&M)")};

constexpr QSize PreviewBox(209, 203);

} // namespace

TfrmParam::TfrmParam(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmParam"));
    setWindowTitle(QStringLiteral("Vistrel - 起動オプション"));
    auto* layout = new QVBoxLayout(this);
    m_lblMes = new QLabel(this);
    m_lblMes->setObjectName(QStringLiteral("lblMes"));
    layout->addWidget(m_lblMes);

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    buildOptions(left);
    buildPreview(left);
    body->addLayout(left);
    auto* right = new QGroupBox(this);
    m_choiceLayout = new QVBoxLayout(right);
    m_choices = new QButtonGroup(this);
    connect(m_choices, &QButtonGroup::idClicked, this, [this](int id) { m_choice = id; });
    body->addWidget(right);
    layout->addLayout(body);

    layout->addWidget(new QLabel(QStringLiteral("よろしいですか？"), this));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("butOK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("butCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TfrmParam::buildOptions(QVBoxLayout* left)
{
    m_options = new QGroupBox(this);
    auto* box = new QVBoxLayout(m_options);
    auto* timerRow = new QHBoxLayout;
    m_chkTimer = new QCheckBox(QStringLiteral("タイマー設定を行う"), m_options);
    m_chkTimer->setObjectName(QStringLiteral("chkTimeOn"));
    m_edtTime = new QSpinBox(m_options);
    m_edtTime->setObjectName(QStringLiteral("edtTime"));
    m_edtTime->setRange(0, 60);
    m_lblSeconds = new QLabel(QStringLiteral("秒"), m_options);
    timerRow->addWidget(m_chkTimer);
    timerRow->addWidget(m_edtTime);
    timerRow->addWidget(m_lblSeconds);
    box->addLayout(timerRow);
    connect(m_chkTimer, &QCheckBox::toggled, this, [this](bool on) {
        m_edtTime->setEnabled(on);
        m_lblSeconds->setEnabled(on);
    });
    m_chkClient = new QCheckBox(QStringLiteral("クライアント領域"), m_options);
    m_chkClient->setObjectName(QStringLiteral("chkClient"));
    m_chkMouse = new QCheckBox(QStringLiteral("マウスカーソル"), m_options);
    m_chkMouse->setObjectName(QStringLiteral("chkMouse"));
    m_chkTrim = new QCheckBox(QStringLiteral("トリミング加工"), m_options);
    m_chkTrim->setObjectName(QStringLiteral("chkTrim"));
    box->addWidget(m_chkClient);
    box->addWidget(m_chkMouse);
    box->addWidget(m_chkTrim);
    left->addWidget(m_options);
}

void TfrmParam::buildPreview(QVBoxLayout* left)
{
    m_preview = new QScrollArea(this);
    m_preview->setObjectName(QStringLiteral("scrPreview"));
    m_preview->setFrameShape(QFrame::NoFrame);
    m_preview->setFixedSize(PreviewBox);
    m_picture = new QLabel;
    m_picture->setObjectName(QStringLiteral("imgPreview"));
    m_picture->setScaledContents(true);
    m_picture->installEventFilter(this);
    m_preview->setWidget(m_picture);
    left->addWidget(m_preview);
}

void TfrmParam::setChoices(const QStringList& captions)
{
    for (QAbstractButton* old : m_choices->buttons()) {
        m_choices->removeButton(old);
        delete old;
    }
    for (int i = 0; i < captions.size(); ++i) {
        auto* choice = new QRadioButton(captions[i]);
        choice->setObjectName(QStringLiteral("optChoice%1").arg(i + 1));
        m_choiceLayout->addWidget(choice);
        m_choices->addButton(choice, i + 1);
    }
    m_choice = 1;
    m_choices->button(1)->setChecked(true);
}

int TfrmParam::runModal()
{
    adjustSize();
    return exec() == QDialog::Accepted ? m_choice : 0;
}

int TfrmParam::AskCaptureKind(CaptureOptions& options)
{
    m_lblMes->setText(QStringLiteral("次の方法でキャプチャを行います。"));
    setChoices(KindChoices);
    m_preview->hide();
    m_options->show();
    m_chkTimer->setChecked(options.TimerOn);
    m_edtTime->setValue(options.TimerSeconds);
    m_edtTime->setEnabled(options.TimerOn);
    m_lblSeconds->setEnabled(options.TimerOn);
    m_chkClient->setChecked(options.Client);
    m_chkMouse->setChecked(options.Mouse);
    m_chkTrim->setChecked(options.Trim);
    const int result = runModal();
    if (result != 0) {
        options.TimerOn = m_chkTimer->isChecked();
        options.TimerSeconds = m_edtTime->value();
        options.Client = m_chkClient->isChecked();
        options.Mouse = m_chkMouse->isChecked();
        options.Trim = m_chkTrim->isChecked();
    }
    return result;
}

int TfrmParam::AskAfterAction(const QImage& picture)
{
    m_lblMes->setText(QStringLiteral("次の方法でキャプチャした画像を処理します。"));
    setChoices(ActionChoices);
    m_options->hide();
    m_preview->show();
    m_image = picture;
    m_picture->setPixmap(QPixmap::fromImage(picture));
    m_picture->setToolTip(
        QStringLiteral("サイズ : %1×%2").arg(picture.width()).arg(picture.height()));
    m_fitted = !m_fitted;
    showPreview();
    const int result = runModal();
    m_picture->clear();
    m_image = QImage(); // the preview holds no picture between openings
    return result;
}

void TfrmParam::showPreview()
{
    m_picture->resize(m_fitted ? FittedPreviewSize(PreviewBox, m_image.size()) : m_image.size());
}

bool TfrmParam::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonRelease) {
        m_fitted = !m_fitted;
        showPreview();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vistrel

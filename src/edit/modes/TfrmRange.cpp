#include "edit/modes/TfrmRange.h"

#include "edit/modes/RubberBand.h"
#include "edit/modes/SelectionGeometry.h"
#include "platform/MessageBox.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

constexpr int PageCount = 2;
const int Steps[] = {1, 2, 3, 5, 10, 20, 50, 100};
constexpr int StepCount = int(std::size(Steps));

const char* const ActionCaptions[] = {
    "名前を付けて保存する(&A)",
    "名前を付けてJPEG保存する(&J)",
    "名前を付けてPNG保存する(&P)",
    "名前を付けてGIF保存する(&G)",
    "連続して保存する(&R)",
    "クリップボードへコピーする(&C)",
    "印刷出力する(&P)",
    "電子メールで送信する(&M)",
    "表示イメージとして切り替える(&D)",
};

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A vertical coordinate: its up arrow lowers the number and so moves the edge up.
class DescendingSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override { QSpinBox::stepBy(-steps); }

protected:
    StepEnabled stepEnabled() const override
    {
        const StepEnabled ascending = QSpinBox::stepEnabled();
        StepEnabled flipped = StepNone;
        if (ascending & StepUpEnabled)
            flipped |= StepDownEnabled;
        if (ascending & StepDownEnabled)
            flipped |= StepUpEnabled;
        return flipped;
    }
};

// Rebuilds the preview when a coordinate box is entered or left.
class FocusWatcher : public QObject {
public:
    FocusWatcher(QObject* parent, std::function<void()> changed)
        : QObject(parent), m_changed(std::move(changed))
    {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

QLabel* titleLabel(const QString& caption)
{
    auto* label = new QLabel(caption);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TfrmRange::TfrmRange(const TrimRequest& request, const TrimWizardSettings& settings,
                     QWidget* parent)
    : QDialog(parent), m_request(request), m_settings(settings)
{
    setObjectName(QStringLiteral("frmRange"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildAdjustPage());
    m_pages->addWidget(buildActionPage());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buildButtons());

    m_shownStart = request.start;
    m_shownEnd = request.end;
    m_udStartX->setValue(request.start.x());
    m_udStartY->setValue(request.start.y());
    m_udEndX->setValue(request.end.x());
    m_udEndY->setValue(request.end.y());
    m_cboPix->setCurrentIndex(std::clamp(settings.stepIndex, 0, StepCount - 1));
    applyStep(m_cboPix->currentIndex());
    m_trkZoom->setValue(std::clamp(settings.zoom, 1, 10));
    m_trkZoom->setToolTip(QStringLiteral("%1倍").arg(m_trkZoom->value()));
    const int action = settings.action >= 1 && settings.action <= 9 ? settings.action : 1;
    m_optProc->button(action)->setChecked(true);
    m_ready = true;
    rebuildPreview(request.start);
    showPage(0);
    setFixedSize(sizeHint());
}

QSpinBox* TfrmRange::addSpinner(const char* name, int extent, bool descending)
{
    QSpinBox* spinner = descending ? new DescendingSpinBox : new QSpinBox;
    spinner->setObjectName(text(name));
    spinner->setRange(0, extent);
    // Four digits as before; wider pictures need their own count.
    spinner->findChild<QLineEdit*>()->setMaxLength(
        std::max(4, int(QString::number(extent).size())));
    spinner->setAccelerated(true);
    const bool startCorner = QByteArray(name).startsWith("udStart");
    connect(spinner, &QSpinBox::valueChanged, this,
            [this, startCorner] { cornerEdited(startCorner); });
    spinner->findChild<QLineEdit*>()->installEventFilter(
        new FocusWatcher(spinner, [this, startCorner] { cornerEdited(startCorner); }));
    return spinner;
}

QWidget* TfrmRange::buildAdjustPage()
{
    auto* page = new QWidget;
    const QSize picture = m_request.view.size();
    m_udStartX = addSpinner("udStartX", picture.width(), false);
    m_udStartY = addSpinner("udStartY", picture.height(), true);
    m_udEndX = addSpinner("udEndX", picture.width(), false);
    m_udEndY = addSpinner("udEndY", picture.height(), true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("横位置")), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("縦位置")), 0, 2, Qt::AlignHCenter);
    auto* startLabel = new QLabel(QStringLiteral("開始座標(&S) :"));
    startLabel->setBuddy(m_udStartX);
    auto* endLabel = new QLabel(QStringLiteral("終了座標(&E) :"));
    endLabel->setBuddy(m_udEndX);
    grid->addWidget(startLabel, 1, 0);
    grid->addWidget(m_udStartX, 1, 1);
    grid->addWidget(m_udStartY, 1, 2);
    grid->addWidget(endLabel, 2, 0);
    grid->addWidget(m_udEndX, 2, 1);
    grid->addWidget(m_udEndY, 2, 2);
    m_lblWidth = new QLabel;
    m_lblWidth->setObjectName(QStringLiteral("lblWidth"));
    m_lblHeight = new QLabel;
    m_lblHeight->setObjectName(QStringLiteral("lblHeight"));
    grid->addWidget(new QLabel(QStringLiteral("幅 :")), 3, 0, Qt::AlignRight);
    grid->addWidget(m_lblWidth, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("高さ :")), 4, 0, Qt::AlignRight);
    grid->addWidget(m_lblHeight, 4, 1);
    grid->setRowMinimumHeight(5, 12);

    m_cboPix = new QComboBox;
    m_cboPix->setObjectName(QStringLiteral("cboPix"));
    for (int step : Steps)
        m_cboPix->addItem(QString::number(step));
    connect(m_cboPix, &QComboBox::currentIndexChanged, this, &TfrmRange::applyStep);
    auto* stepLabel = new QLabel(QStringLiteral("移動単位(&T)"));
    stepLabel->setBuddy(m_cboPix);
    grid->addWidget(stepLabel, 6, 0);
    grid->addWidget(m_cboPix, 6, 1);
    grid->setRowStretch(7, 1);

    m_imaPreview = new QLabel;
    m_imaPreview->setObjectName(QStringLiteral("imaPreview"));
    m_imaPreview->setFixedSize(PreviewSide, PreviewSide);
    m_imaPreview->setFrameStyle(QFrame::NoFrame);
    m_trkZoom = new QSlider(Qt::Horizontal);
    m_trkZoom->setObjectName(QStringLiteral("trkZoom"));
    m_trkZoom->setRange(1, 10);
    m_trkZoom->setPageStep(1);
    m_trkZoom->setTickPosition(QSlider::TicksBelow);
    connect(m_trkZoom, &QSlider::valueChanged, this, [this](int zoom) {
        m_trkZoom->setToolTip(QStringLiteral("%1倍").arg(zoom));
        rebuildPreview(m_centre);
    });
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(m_imaPreview);
    previewColumn->addWidget(m_trkZoom);
    previewColumn->addStretch();

    auto* columns = new QHBoxLayout;
    columns->addLayout(grid);
    columns->addSpacing(12);
    columns->addLayout(previewColumn);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(titleLabel(QStringLiteral("拡大プレビューによる微調整")));
    layout->addWidget(new QLabel(QStringLiteral("切り抜きを行う範囲を微調整することができます。")));
    layout->addLayout(columns);
    return page;
}

QWidget* TfrmRange::buildActionPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(titleLabel(QStringLiteral("処理方法")));
    layout->addWidget(
        new QLabel(QStringLiteral("次の方法で範囲選択されたグラフィックの処理を行います。")));
    m_optProc = new QButtonGroup(this);
    for (int code = 1; code <= 9; ++code) {
        auto* option = new QRadioButton(text(ActionCaptions[code - 1]));
        option->setObjectName(QStringLiteral("optProc%1").arg(code));
        m_optProc->addButton(option, code);
        layout->addWidget(option);
    }
    layout->addWidget(
        new QLabel(QStringLiteral("よろしければ、[完了]ボタンをクリックしてください。")));
    layout->addStretch();
    return page;
}

QWidget* TfrmRange::buildButtons()
{
    auto* row = new QWidget;
    auto* help = new QPushButton(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("butHelp"));
    m_butBack = new QPushButton(QStringLiteral("<< 戻る"));
    m_butBack->setObjectName(QStringLiteral("butBack"));
    m_butNext = new QPushButton;
    m_butNext->setObjectName(QStringLiteral("butNext"));
    m_butNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("butCancel"));
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_help)
            m_help(kHelpTopic);
    });
    connect(m_butBack, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(m_butNext, &QPushButton::clicked, this, &TfrmRange::next);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(help);
    layout->addStretch();
    layout->addWidget(m_butBack);
    layout->addWidget(m_butNext);
    layout->addSpacing(8);
    layout->addWidget(cancel);
    return row;
}

void TfrmRange::showPage(int index)
{
    m_pages->setCurrentIndex(index);
    setWindowTitle(QStringLiteral("切り抜き - ウイザード (%1/%2)").arg(index + 1).arg(PageCount));
    m_butBack->setEnabled(index > 0);
    m_butNext->setText(index + 1 < PageCount ? QStringLiteral("次へ(&N) >>")
                                             : QStringLiteral("完了(&S)"));
    if (index == 0)
        m_udStartX->setFocus();
    else if (QAbstractButton* chosen = m_optProc->checkedButton())
        chosen->setFocus();
}

void TfrmRange::next()
{
    if (m_pages->currentIndex() + 1 < PageCount) {
        showPage(m_pages->currentIndex() + 1);
        return;
    }
    // An empty picture is no result: the corners go back for adjusting.
    const QRect span = SpanBetween(startCorner(), endCorner());
    if (span.width() == 0 || span.height() == 0) {
        MessageBox::information(
            QStringLiteral("切り抜き範囲の幅と高さを1ピクセル以上にしてください。"), this);
        showPage(0);
        return;
    }
    m_settings.stepIndex = m_cboPix->currentIndex();
    m_settings.zoom = m_trkZoom->value();
    m_settings.action = m_optProc->checkedId();
    accept();
}

void TfrmRange::applyStep(int index)
{
    const int step = Steps[std::clamp(index, 0, StepCount - 1)];
    for (QSpinBox* spinner : {m_udStartX, m_udStartY, m_udEndX, m_udEndY})
        spinner->setSingleStep(step);
}

QPoint TfrmRange::startCorner() const
{
    return {m_udStartX->value(), m_udStartY->value()};
}

QPoint TfrmRange::endCorner() const
{
    return {m_udEndX->value(), m_udEndY->value()};
}

void TfrmRange::cornerEdited(bool startCorner)
{
    if (m_ready) // not while the spinners are first filled
        rebuildPreview(startCorner ? this->startCorner() : endCorner());
}

void TfrmRange::rebuildPreview(QPoint centre)
{
    if (startCorner() != m_shownStart || endCorner() != m_shownEnd) {
        m_shownStart = startCorner();
        m_shownEnd = endCorner();
        if (m_request.follow)
            m_request.follow(m_shownStart, m_shownEnd);
    }
    m_lblWidth->setText(QString::number(std::abs(m_shownEnd.x() - m_shownStart.x())));
    m_lblHeight->setText(QString::number(std::abs(m_shownEnd.y() - m_shownStart.y())));

    m_previewSource = PreviewSourceSquare(centre, m_trkZoom->value(), m_request.view.size());
    QImage square = m_request.view.copy(m_previewSource);
    {
        QPainter painter(&square);
        painter.translate(-m_previewSource.topLeft());
        PrepareRubberBandPen(painter, m_request.invertBand, m_request.bandColour);
        DrawRubberBand(painter, BandKind::Rectangle, m_shownStart, m_shownEnd);
    }
    m_imaPreview->setPixmap(QPixmap::fromImage(
        square.scaled(PreviewSide, PreviewSide, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    m_centre = centre;
}

int TfrmRange::page() const
{
    return m_pages->currentIndex();
}

TrimChoice TfrmRange::choice() const
{
    if (result() != QDialog::Accepted)
        return {0, startCorner(), endCorner()};
    return {m_settings.action, startCorner(), endCorner()};
}

TrimWizardSettings TfrmRange::settings() const
{
    return m_settings;
}

TrimChoice ExecuteTrim(QWidget* parent, const TrimRequest& request, TrimWizardSettings& settings,
                       std::function<void(int)> help)
{
    TfrmRange wizard(request, settings, parent);
    wizard.setHelpHandler(std::move(help));
    if (wizard.exec() == QDialog::Accepted)
        settings = wizard.settings();
    return wizard.choice();
}

} // namespace vistrel

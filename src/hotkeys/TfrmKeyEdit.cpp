#include "hotkeys/TfrmKeyEdit.h"

#include "hotkeys/CaptureParam.h"
#include "hotkeys/HotkeyCommandLine.h"
#include "hotkeys/HotkeyEntryRules.h"
#include "hotkeys/KeyNames.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

const QStringList CaptureKinds{QStringLiteral("フルスクリーン"),
                               QStringLiteral("アクティブウインドウ"),
                               QStringLiteral("ウインドウまたはコントロール"),
                               QStringLiteral("範囲を指定"), QStringLiteral("前回の範囲")};
// The list's last entry is a region capture that takes the last region again.
constexpr int RegionKindCode = 4;
constexpr int LastRegionIndex = 4;

const QStringList AfterActions{QStringLiteral("名前を付けて保存する"),
                               QStringLiteral("名前を付けてJPEG保存する"),
                               QStringLiteral("名前を付けてPNG保存する"),
                               QStringLiteral("名前を付けてGIF保存する"),
                               QStringLiteral("連続して保存する"),
                               QStringLiteral("クリップボードへコピーする"),
                               QStringLiteral("印刷出力する"),
                               QStringLiteral("電子メールで送信する"),
                               QStringLiteral("プレビュー表示する")};

const QString NoKey = QStringLiteral("(なし)");

QCheckBox* checkBox(const QString& text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QComboBox* dropDown(const char* name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    return list;
}

// The list index of a code 1 to count; no selection for 0, 99 and strays.
int indexOfCode(int code, qsizetype count)
{
    return code >= 1 && code <= count ? code - 1 : -1;
}

} // namespace

TfrmKeyEdit::TfrmKeyEdit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKeyEdit"));
    setWindowTitle(QStringLiteral("ホットキー情報"));
    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QFormLayout;
    m_edtCommand = new QLineEdit(this);
    m_edtCommand->setObjectName(QStringLiteral("edtCommand"));
    nameRow->addRow(QStringLiteral("コマンド名(&D)"), m_edtCommand);
    layout->addLayout(nameRow);
    layout->addWidget(buildCaptureGroup());
    layout->addWidget(buildKeyGroup());
    layout->addWidget(buildCommandLineGroup());

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("butOK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("butCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmKeyEdit::butOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TfrmKeyEdit::buildCaptureGroup()
{
    auto* group = new QGroupBox(QStringLiteral("キャプチャ処理"), this);
    auto* form = new QFormLayout(group);
    m_cboCapture = dropDown("cboCapture", group);
    form->addRow(QStringLiteral("キャプチャ(&P)"), m_cboCapture);
    m_cboAction = dropDown("cboAction", group);
    form->addRow(QStringLiteral("後処理(&A)"), m_cboAction);
    m_chkClient = checkBox(QStringLiteral("クライアント領域(&C)"), "chkClient", group);
    m_chkMouse = checkBox(QStringLiteral("マウスカーソル(&M)"), "chkMouse", group);
    m_chkTrim = checkBox(QStringLiteral("トリミング加工(&R)"), "chkTrim", group);
    form->addRow(m_chkClient);
    form->addRow(m_chkMouse);
    form->addRow(m_chkTrim);

    auto* timerRow = new QHBoxLayout;
    m_chkTimeOn = checkBox(QStringLiteral("タイマー設定を行う(&T)"), "chkTimeOn", group);
    m_edtTime = new QSpinBox(group);
    m_edtTime->setObjectName(QStringLiteral("edtTime"));
    m_edtTime->setRange(0, 60);
    m_lblSeconds = new QLabel(QStringLiteral("秒"), group);
    timerRow->addWidget(m_chkTimeOn);
    timerRow->addWidget(m_edtTime);
    timerRow->addWidget(m_lblSeconds);
    timerRow->addStretch();
    form->addRow(timerRow);
    connect(m_chkTimeOn, &QCheckBox::toggled, this, [this] { updateTimerControls(); });
    return group;
}

QWidget* TfrmKeyEdit::buildKeyGroup()
{
    auto* group = new QGroupBox(QStringLiteral("呼び出しホットキー"), this);
    auto* column = new QVBoxLayout(group);
    auto* modifiers = new QHBoxLayout;
    m_chkAlt = checkBox(QStringLiteral("Alt"), "chkAlt", group);
    m_chkCtrl = checkBox(QStringLiteral("Ctrl"), "chkCtrl", group);
    m_chkShift = checkBox(QStringLiteral("Shift"), "chkShift", group);
    m_chkWin = checkBox(QStringLiteral("Win"), "chkWin", group);
    for (QCheckBox* box : {m_chkAlt, m_chkCtrl, m_chkShift, m_chkWin})
        modifiers->addWidget(box);
    column->addLayout(modifiers);
    m_cboKey = dropDown("cboKey", group);
    m_cboKey->setMaxVisibleItems(20);
    column->addWidget(m_cboKey);
    return group;
}

QWidget* TfrmKeyEdit::buildCommandLineGroup()
{
    m_grpCommandLine = new QGroupBox(QStringLiteral("キーに割り当てるコマンド"), this);
    auto* row = new QHBoxLayout(m_grpCommandLine);
    m_edtCommandLine = new QLineEdit(m_grpCommandLine);
    m_edtCommandLine->setObjectName(QStringLiteral("edtCommandLine"));
    m_edtCommandLine->setReadOnly(true);
    m_edtCommandLine->setMinimumWidth(320);
    auto* copy = new QPushButton(QStringLiteral("コピー(&O)"), m_grpCommandLine);
    copy->setObjectName(QStringLiteral("butCopyCommandLine"));
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_edtCommandLine->text()); });
    row->addWidget(m_edtCommandLine);
    row->addWidget(copy);
    m_grpCommandLine->setVisible(false);
    // Every field that goes into the parameter string changes the command at once.
    for (QComboBox* list : {m_cboCapture, m_cboAction})
        connect(list, &QComboBox::currentIndexChanged, this, [this] { updateCommandLine(); });
    for (QCheckBox* box : {m_chkClient, m_chkMouse, m_chkTrim, m_chkTimeOn})
        connect(box, &QCheckBox::toggled, this, [this] { updateCommandLine(); });
    connect(m_edtTime, &QSpinBox::valueChanged, this, [this] { updateCommandLine(); });
    return m_grpCommandLine;
}

void TfrmKeyEdit::showCommandLine(const QString& program)
{
    m_commandProgram = program;
    m_grpCommandLine->setVisible(!program.isEmpty());
}

void TfrmKeyEdit::updateCommandLine()
{
    if (m_commandProgram.isEmpty())
        return;
    const bool complete = m_cboCapture->currentIndex() >= 0 && m_cboAction->currentIndex() >= 0;
    m_edtCommandLine->setText(complete ? HotkeyCommandLine(m_commandProgram, edited()) : QString());
}

bool TfrmKeyEdit::EditHotkeyEntry(TWinHotKey& entry)
{
    load(entry);
    if (exec() != QDialog::Accepted)
        return false;
    entry = edited();
    return true;
}

void TfrmKeyEdit::load(const TWinHotKey& entry)
{
    m_originalParam = entry.PARAM;
    m_cboCapture->clear();
    m_cboCapture->addItems(CaptureKinds);
    m_cboAction->clear();
    m_cboAction->addItems(AfterActions);
    m_cboKey->clear();
    m_cboKey->addItem(NoKey);
    m_cboKey->addItems(HotkeyKeyBoxNames());

    const CaptureRequest request = ParseCaptureParam(entry.PARAM);
    m_edtCommand->setText(entry.COMMAND);
    m_chkAlt->setChecked(entry.ALT);
    m_chkCtrl->setChecked(entry.CTRL);
    m_chkShift->setChecked(entry.SHIFT);
    m_chkWin->setChecked(entry.WIN);
    m_cboKey->setCurrentIndex(std::max(m_cboKey->findText(entry.KEY), 0));
    m_cboCapture->setCurrentIndex(request.CaptureKind == RegionKindCode && request.LastRegion
                                      ? LastRegionIndex
                                      : indexOfCode(request.CaptureKind, RegionKindCode));
    m_cboAction->setCurrentIndex(indexOfCode(request.AfterAction, AfterActions.size()));
    m_chkClient->setChecked(request.Client);
    m_chkMouse->setChecked(request.Mouse);
    m_chkTrim->setChecked(request.Trim);
    m_chkTimeOn->setChecked(request.TimerOn);
    m_edtTime->setValue(request.TimerSeconds);
    updateTimerControls();
    updateCommandLine();
    m_edtCommand->selectAll();
    m_edtCommand->setFocus();
}

void TfrmKeyEdit::updateTimerControls()
{
    m_edtTime->setEnabled(m_chkTimeOn->isChecked());
    m_lblSeconds->setEnabled(m_chkTimeOn->isChecked());
}

void TfrmKeyEdit::butOKClick()
{
    const QString error = HotkeyEntryError(
        m_edtCommand->text(), std::min(m_cboCapture->currentIndex() + 1, RegionKindCode),
        m_cboAction->currentIndex() + 1);
    if (!error.isEmpty()) {
        MessageBox::information(error, this);
        return;
    }
    accept();
}

TWinHotKey TfrmKeyEdit::edited() const
{
    CaptureRequest request;
    request.CaptureKind = std::min(m_cboCapture->currentIndex() + 1, RegionKindCode);
    request.LastRegion = m_cboCapture->currentIndex() == LastRegionIndex;
    request.AfterAction = m_cboAction->currentIndex() + 1;
    request.Client = m_chkClient->isChecked();
    request.Mouse = m_chkMouse->isChecked();
    request.Trim = m_chkTrim->isChecked();
    request.TimerOn = m_chkTimeOn->isChecked();
    request.TimerSeconds = m_edtTime->value();

    TWinHotKey entry;
    entry.COMMAND = m_edtCommand->text();
    entry.PARAM = EditedCaptureParam(m_originalParam, request);
    entry.ALT = m_chkAlt->isChecked();
    entry.CTRL = m_chkCtrl->isChecked();
    entry.SHIFT = m_chkShift->isChecked();
    entry.WIN = m_chkWin->isChecked();
    entry.KEY = m_cboKey->currentIndex() > 0 ? m_cboKey->currentText() : QString();
    return entry;
}

} // namespace vistrel

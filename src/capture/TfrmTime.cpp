#include "capture/TfrmTime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

constexpr const char* TagProperty = "tag";
constexpr int MinSeconds = 1;
constexpr int MaxSeconds = 60;
constexpr const char* PositionLabels[] = {"左上", "左下", "右上", "右下", "中央"};
constexpr int PositionCount = int(std::size(PositionLabels));

} // namespace

TfrmTime::TfrmTime(int seconds, bool show, int position, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTime"));
    setWindowTitle(QStringLiteral("タイマー設定"));
    auto* layout = new QVBoxLayout(this);
    // A dialog of fixed size: only a close button in its title bar.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    layout->addWidget(buildSecondsGroup());

    auto* showRow = new QHBoxLayout;
    m_chkCntDown = new QCheckBox(QStringLiteral("カウントダウン表示する(&D)"), this);
    m_chkCntDown->setObjectName(QStringLiteral("chkCntDown"));
    m_cboPos = new QComboBox(this);
    m_cboPos->setObjectName(QStringLiteral("cboPos"));
    for (const char* label : PositionLabels)
        m_cboPos->addItem(QString::fromUtf8(label));
    showRow->addWidget(m_chkCntDown);
    showRow->addWidget(m_cboPos);
    layout->addLayout(showRow);
    layout->addWidget(buildButtons());

    m_udnTime->setValue(std::clamp(seconds, MinSeconds, MaxSeconds));
    m_chkCntDown->setChecked(show);
    // A hand-edited position the list does not know shows as the first entry.
    m_cboPos->setCurrentIndex(position >= 0 && position < PositionCount ? position : 0);
    connect(m_chkCntDown, &QCheckBox::toggled, this, &TfrmTime::chkCntDownClick);
    chkCntDownClick();
}

QWidget* TfrmTime::buildSecondsGroup()
{
    auto* group = new QGroupBox(QStringLiteral("開始秒(&S)"), this);
    auto* row = new QHBoxLayout(group);
    m_udnTime = new QSpinBox(group);
    m_udnTime->setObjectName(QStringLiteral("udnTime"));
    m_udnTime->setRange(MinSeconds, MaxSeconds);
    m_udnTime->setWrapping(false);
    if (auto* edtTime = m_udnTime->findChild<QLineEdit*>()) {
        edtTime->setObjectName(QStringLiteral("edtTime"));
        edtTime->setMaxLength(2);
        edtTime->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    row->addWidget(m_udnTime);
    row->addWidget(new QLabel(QStringLiteral("秒後にキャプチャする"), group));
    row->addStretch();
    return group;
}

QWidget* TfrmTime::buildButtons()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    for (const auto& [name, text, tag] :
         {std::tuple{"butOK", "&OK", 1}, std::tuple{"butCancel", "キャンセル", 0}}) {
        auto* button = new QPushButton(QString::fromUtf8(text), box);
        button->setObjectName(QString::fromLatin1(name));
        button->setProperty(TagProperty, tag);
        button->setDefault(tag == 1);
        button->setAutoDefault(tag == 1);
        connect(button, &QPushButton::clicked, this, &TfrmTime::butClick);
        row->addWidget(button);
    }
    return box;
}

void TfrmTime::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_udnTime->setFocus();
    m_udnTime->selectAll();
}

void TfrmTime::chkCntDownClick()
{
    m_cboPos->setEnabled(m_chkCntDown->isChecked());
}

void TfrmTime::butClick()
{
    const QObject* button = sender();
    done(button && button->property(TagProperty).toInt() == 1 ? Accepted : Rejected);
}

int TfrmTime::seconds() const
{
    return m_udnTime->value();
}

bool TfrmTime::showCountdown() const
{
    return m_chkCntDown->isChecked();
}

int TfrmTime::position() const
{
    return m_cboPos->currentIndex();
}

bool EditTimerSettings(QWidget* parent, int& seconds, bool& show, int& position)
{
    TfrmTime dialog(seconds, show, position, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    seconds = dialog.seconds();
    show = dialog.showCountdown();
    position = dialog.position();
    return true;
}

} // namespace vistrel

#include "edit/filters/TfrmColor.h"

#include "edit/filters/AreaFilterKernels.h"
#include "platform/WaitCursor.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vistrel {

namespace {

const char* const ChoiceCaptions[] = {"通常(&T)", "反転色(&H)", "セピアカラー(&C)",
                                      "グレイストーン(&G)"};

} // namespace

TfrmColor::TfrmColor(const QImage& view, const QRect& area, QWidget* parent)
    : QDialog(parent), m_optColor(new QButtonGroup(this)), m_imaPreview(new QLabel)
{
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("カラーの変更"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_part = view.copy(QRect(area.topLeft(), QSize(std::min(area.width(), PreviewSide),
                                                   std::min(area.height(), PreviewSide))));

    auto* preview = new QGroupBox(QStringLiteral("プレビュー"));
    m_imaPreview->setObjectName(QStringLiteral("imaPreview"));
    m_imaPreview->setFixedSize(PreviewSide, PreviewSide);
    m_imaPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    (new QVBoxLayout(preview))->addWidget(m_imaPreview);

    auto* choices = new QVBoxLayout;
    for (int tag = 0; tag < 4; ++tag) {
        auto* option = new QRadioButton(QString::fromUtf8(ChoiceCaptions[tag]));
        option->setObjectName(QStringLiteral("optColor%1").arg(tag + 1));
        m_optColor->addButton(option, tag);
        choices->addWidget(option);
    }
    choices->addStretch();
    connect(m_optColor, &QButtonGroup::idClicked, this, &TfrmColor::showPreview);

    auto* change = new QPushButton(QStringLiteral("変更(&S)"));
    change->setObjectName(QStringLiteral("butOK"));
    change->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("butCancel"));
    auto* help = new QPushButton(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("butHelp"));
    connect(change, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_help)
            m_help(kHelpTopic);
    });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(change);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    m_optColor->button(ColourNormal)->setChecked(true);
    showPreview(ColourNormal);
    setFixedSize(sizeHint());
}

void TfrmColor::showPreview(int choice)
{
    const WaitCursor wait;
    QImage shown = m_part;
    if (choice != ColourNormal)
        ColourKernel(shown, choice);
    m_imaPreview->setPixmap(QPixmap::fromImage(shown));
    m_shown = choice;
}

int ExecuteColour(QWidget* parent, const QImage& view, const QRect& area,
                  std::function<void(int)> help)
{
    TfrmColor dialog(view, area, parent);
    dialog.setHelpHandler(std::move(help));
    return dialog.exec() == QDialog::Accepted ? dialog.shownChoice() : 0;
}

} // namespace vistrel

#include "options/TfrmTool.h"

#include "options/ToolIcon.h"
#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistrel {

namespace {

constexpr int IconSize = 32;

QLabel* captionFor(const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmTool::TfrmTool(QWidget* parent) : QDialog(parent), m_chooseFile(ChooseProgramFile)
{
    setObjectName(QStringLiteral("frmTool"));
    setWindowTitle(QStringLiteral("アプリケーションの指定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_imaIcon = new QLabel;
    m_imaIcon->setObjectName(QStringLiteral("imaIcon"));
    m_imaIcon->setFixedSize(IconSize, IconSize);
    m_edtTitle = new QLineEdit;
    m_edtTitle->setObjectName(QStringLiteral("edtTitle"));
    m_edtFile = new QLineEdit;
    m_edtFile->setObjectName(QStringLiteral("edtFile"));
    m_edtFile->setMinimumWidth(320);
    auto* butSrhFile = new QPushButton(QStringLiteral("... "));
    butSrhFile->setObjectName(QStringLiteral("butSrhFile"));
    m_edtCommand = new QLineEdit;
    m_edtCommand->setObjectName(QStringLiteral("edtCommand"));

    grid->addWidget(m_imaIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(captionFor("タイトル名(&T) :", m_edtTitle), 0, 1);
    grid->addWidget(m_edtTitle, 0, 2, 1, 2);
    grid->addWidget(captionFor("ファイル名(&F)", m_edtFile), 1, 1);
    grid->addWidget(m_edtFile, 1, 2);
    grid->addWidget(butSrhFile, 1, 3);
    grid->addWidget(captionFor("コマンドライン引数(&C)", m_edtCommand), 2, 1);
    grid->addWidget(m_edtCommand, 2, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("$F --- 仮ファイル名")), 3, 2, 1, 2);
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox;
    auto* ok = new QPushButton(QStringLiteral("&OK"));
    ok->setObjectName(QStringLiteral("butOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("butCancel"));
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmTool::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmTool::reject);
    layout->addWidget(buttons);

    connect(butSrhFile, &QPushButton::clicked, this, &TfrmTool::butSrhFileClick);
    connect(m_edtFile, &QLineEdit::textChanged, this, &TfrmTool::loadIcon);
}

void TfrmTool::load(const ToolEntry& entry)
{
    m_entry = entry;
    m_edtTitle->setText(entry.title);
    m_edtFile->setText(entry.file);
    m_edtCommand->setText(entry.command);
    loadIcon();
    m_edtTitle->setFocus();
}

void TfrmTool::loadIcon()
{
    const QString file = m_edtFile->text();
    m_imaIcon->setPixmap(QFileInfo(file).isFile() ? ToolIcon(file).pixmap(IconSize, IconSize)
                                                  : QPixmap());
}

void TfrmTool::butSrhFileClick()
{
    const QString chosen = m_chooseFile(this, m_edtFile->text());
    if (chosen.isEmpty())
        return;
    m_edtFile->setText(chosen);
    m_edtTitle->setText(ToolTitleFromPath(chosen));
}

void TfrmTool::accept()
{
    if (m_edtTitle->text().trimmed().isEmpty()) {
        MessageBox::information(QStringLiteral("タイトル名が入力されていません。"), this);
        return;
    }
    m_entry = {m_edtTitle->text(), m_edtFile->text(), m_edtCommand->text()};
    QDialog::accept();
}

bool EditTool(QWidget* parent, ToolEntry& entry, TfrmTool::FileChooser chooser)
{
    TfrmTool dialog(parent);
    if (chooser)
        dialog.setFileChooser(std::move(chooser));
    dialog.load(entry);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    entry = dialog.entry();
    return true;
}

} // namespace vistrel

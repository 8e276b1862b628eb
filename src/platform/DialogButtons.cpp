#include "platform/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace vistrel {

namespace {

QPushButton* namedButton(const QString& text, const char* name)
{
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

QDialogButtonBox* OkCancelHelpButtons(QDialog* dialog, std::function<void()> help)
{
    auto* buttons = new QDialogButtonBox;
    auto* ok = namedButton(QStringLiteral("&OK"), "butOK");
    auto* cancel = namedButton(QStringLiteral("キャンセル"), "butCancel");
    auto* helpButton = namedButton(QStringLiteral("ヘルプ(&H)"), "butHelp");
    ok->setDefault(true);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    buttons->addButton(helpButton, QDialogButtonBox::HelpRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(helpButton, &QPushButton::clicked, dialog, std::move(help));
    return buttons;
}

} // namespace vistrel

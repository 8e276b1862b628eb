#include "app/TfrmAbout.h"

#include "app/AppIcon.h"
#include "app/ProductInfo.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vistrel {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(48, 48));
    auto* text = new QLabel(aboutText(), this);
    text->setObjectName(QStringLiteral("lblAbout"));
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    text->setOpenExternalLinks(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

QString TfrmAbout::aboutText()
{
    return QStringLiteral("<b>%1</b> バージョン %2<br>Qt %3<br>%4<br><a href=\"%5\">%5</a>")
        .arg(QString::fromLatin1(ProductName), QString::fromLatin1(ProductVersion),
             QString::fromLatin1(qVersion()), QString::fromLatin1(ProductLicence),
             QString::fromLatin1(ProductHomePage));
}

} // namespace vistrel

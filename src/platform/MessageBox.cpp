#include "platform/MessageBox.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

namespace vistrel {

namespace {

MessageBox::Handler& handler()
{
    static MessageBox::Handler instance;
    return instance;
}

void show(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    if (handler()) {
        handler()(icon == QMessageBox::Critical ? QStringLiteral("error")
                                                : QStringLiteral("message"),
                  text);
        return;
    }
    if (parent == nullptr)
        parent = QApplication::activeWindow();
    // The texts break lines with carriage return and line feed; a Qt label wants line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon, QStringLiteral("Vistrel"), shown, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void MessageBox::setHandler(Handler newHandler)
{
    handler() = std::move(newHandler);
}

void MessageBox::trace(const QString& kind, const QString& text)
{
    const QString path = qEnvironmentVariable("VISTREL_TEST_LOG");
    if (path.isEmpty())
        return;
    QFile log(path);
    if (log.open(QIODevice::Append | QIODevice::Text))
        log.write((kind + QStringLiteral(": ") + text + u'\n').toUtf8());
}

void MessageBox::information(const QString& text, QWidget* parent)
{
    trace(QStringLiteral("message"), text);
    show(QMessageBox::Information, text, parent);
}

void MessageBox::error(const QString& text, QWidget* parent)
{
    trace(QStringLiteral("error"), text);
    show(QMessageBox::Critical, text, parent);
}

} // namespace vistrel

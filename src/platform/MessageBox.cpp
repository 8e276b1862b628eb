#include "platform/MessageBox.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

namespace vistrel {

namespace {

MessageBox::Handler& currentHandler()
{
    static MessageBox::Handler instance;
    return instance;
}

void show(QMessageBox::Icon icon, const QString& text, QWidget* parent)
{
    if (const MessageBox::Handler handler = currentHandler()) {
        handler(icon == QMessageBox::Critical ? QStringLiteral("error") : QStringLiteral("message"),
                text);
        return;
    }
    if (parent == nullptr)
        parent = QApplication::activeWindow();
    QMessageBox box(icon, QStringLiteral("Vistrel"), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void MessageBox::setHandler(Handler newHandler)
{
    currentHandler() = std::move(newHandler);
}

MessageBox::Handler MessageBox::handler()
{
    return currentHandler();
}

CollectedMessages::CollectedMessages() : m_previous(MessageBox::handler())
{
    MessageBox::setHandler([this](const QString& kind, const QString& text) {
        m_messages.append({kind == QStringLiteral("error"), text});
    });
}

CollectedMessages::~CollectedMessages()
{
    MessageBox::setHandler(std::move(m_previous));
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

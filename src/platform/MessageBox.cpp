#include "platform/MessageBox.h"

#include <QFile>

#include <cstdio>

namespace vistrel {

namespace {

MessageBox::Handler& currentHandler()
{
    static MessageBox::Handler instance;
    return instance;
}

} // namespace

MessageBox::ScreenShower& MessageBox::screenShower()
{
    static ScreenShower shower = nullptr;
    return shower;
}

void MessageBox::show(bool critical, const QString& text, QWidget* parent)
{
    if (const MessageBox::Handler handler = currentHandler()) {
        handler(critical ? QStringLiteral("error") : QStringLiteral("message"), text);
        return;
    }
    if (const auto onScreen = screenShower()) {
        onScreen(critical, text, parent);
        return;
    }
    std::fprintf(stderr, "vistrel: %s\n", qPrintable(text));
}

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
    show(false, text, parent);
}

void MessageBox::error(const QString& text, QWidget* parent)
{
    trace(QStringLiteral("error"), text);
    show(true, text, parent);
}

} // namespace vistrel

#include "platform/MessageBox.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

namespace vistrel {

namespace {

MessageBox::Handler& currentHandler()
{
    static MessageBox::Handler instance;
    return instance;
}

QPointer<QWidget>& mainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

// Without an owner on screen the box goes to the middle of the primary monitor,
// not to the monitor the pointer happens to be on.
class OwnedMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (parentWidget() != nullptr || screen == nullptr)
            return;
        QRect placed = frameGeometry();
        placed.moveCenter(screen->geometry().center());
        move(placed.topLeft());
    }
};

void show(bool critical, const QString& text, QWidget* parent)
{
    if (const MessageBox::Handler handler = currentHandler()) {
        handler(critical ? QStringLiteral("error") : QStringLiteral("message"), text);
        return;
    }
    MessageBox::create(critical, text, parent)->exec();
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

void MessageBox::setMainWindow(QWidget* window)
{
    mainWindow() = window;
}

QWidget* MessageBox::ownerFor(QWidget* requested)
{
    QWidget* owner = requested;
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    if (owner == nullptr)
        owner = mainWindow();
    return owner != nullptr && owner->window()->isVisible() ? owner : nullptr;
}

std::unique_ptr<QMessageBox> MessageBox::create(bool critical, const QString& text, QWidget* parent)
{
    // The texts break lines with carriage return and line feed; a Qt label wants line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return std::make_unique<OwnedMessageBox>(
        critical ? QMessageBox::Critical : QMessageBox::Information, QStringLiteral("Vistrel"),
        shown, QMessageBox::Ok, ownerFor(parent));
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

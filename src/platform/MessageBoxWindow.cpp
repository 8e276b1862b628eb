#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

// The boxes on screen, apart from the texts' way through MessageBox.cpp, so that a run
// without windows links no widget library.

namespace vistrel {

namespace {

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

void showBox(bool critical, const QString& text, QWidget* parent)
{
    MessageBox::create(critical, text, parent)->exec();
}

} // namespace

void MessageBox::showOnScreen()
{
    screenShower() = &showBox;
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

} // namespace vistrel

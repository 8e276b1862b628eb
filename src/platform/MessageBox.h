#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace vistrel {

// The program's modal message boxes with one OK button. When VISTREL_TEST_LOG
// names a file, every text shown is also appended to it, so that tests on a
// real display can tell which message appeared. The boxes themselves come with the
// widgets (MessageBoxWindow.cpp): until showOnScreen() the texts go to standard error, as
// in a run without windows.
class MessageBox {
public:
    // Shows the texts in boxes on screen from now on; called once the widgets exist.
    static void showOnScreen();

    static void information(const QString& text, QWidget* parent = nullptr);
    static void error(const QString& text, QWidget* parent = nullptr);
    // Appends a line to the test log, when one is set.
    static void trace(const QString& kind, const QString& text);

    // The window a box without an explicit parent belongs to.
    static void setMainWindow(QWidget* window);
    // The parent a box gets: the one asked for, else the active window, else the
    // main window; none when that window is hidden (the box then sits in the
    // middle of the primary monitor).
    static QWidget* ownerFor(QWidget* requested);
    // The box as shown, not yet executed; critical or information.
    static std::unique_ptr<QMessageBox> create(bool critical, const QString& text, QWidget* parent);

    // Widget tests replace the dialog with a recorder; an empty function restores it.
    using Handler = std::function<void(const QString& kind, const QString& text)>;
    static void setHandler(Handler handler);
    static Handler handler();

private:
    using ScreenShower = void (*)(bool critical, const QString& text, QWidget* parent);
    // Set by showOnScreen(); null while the texts go to standard error.
    static ScreenShower& screenShower();
    static void show(bool critical, const QString& text, QWidget* parent);
};

// Keeps the texts of the boxes raised while it lives instead of showing them: a run for a
// script or for another process reports them on its own channel. Restores the previous
// handler at the end.
class CollectedMessages {
public:
    struct Message {
        bool isError = false;
        QString text;
    };

    CollectedMessages();
    ~CollectedMessages();
    CollectedMessages(const CollectedMessages&) = delete;
    CollectedMessages& operator=(const CollectedMessages&) = delete;

    const QList<Message>& messages() const { return m_messages; }

private:
    MessageBox::Handler m_previous;
    QList<Message> m_messages;
};

} // namespace vistrel

#pragma once

#include <QApplication>

namespace vistrel {

// The application with the program's one general error handler: an error
// raised while a command runs is shown in a message box, the command stops
// and the program goes on.
class VistrelApplication : public QApplication {
public:
    VistrelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    static void showError(const QString& message);
};

} // namespace vistrel

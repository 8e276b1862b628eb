#pragma once

#include <QApplication>
#include <QTranslator>

namespace vistrel {

// The application with the program's one general error handler: an error
// raised while a command runs is shown in a message box, the command stops
// and the program goes on.
class VistrelApplication : public QApplication {
public:
    VistrelApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    static void showError(const QString& message);

    // Loads Qt's own Japanese texts (file dialogs, standard buttons) into
    // `translator` and installs it; false when Qt's translations are missing.
    static bool installQtTranslations(QTranslator& translator);

private:
    QTranslator m_qtTexts;
};

} // namespace vistrel

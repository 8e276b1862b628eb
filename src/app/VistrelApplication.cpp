#include "app/VistrelApplication.h"

#include "platform/MessageBox.h"

#include <QLibraryInfo>

#include <exception>

namespace vistrel {

VistrelApplication::VistrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vistrel"));
    installQtTranslations(m_qtTexts);
    MessageBox::showOnScreen();
}

bool VistrelApplication::installQtTranslations(QTranslator& translator)
{
    // The program's texts are Japanese whatever the locale; Qt's must match them.
    if (!translator.load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

bool VistrelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(QStringLiteral("予期しないエラーが発生しました。"));
    }
    return false;
}

void VistrelApplication::showError(const QString& message)
{
    MessageBox::error(message);
}

} // namespace vistrel

#include "app/VistrelApplication.h"

#include "platform/MessageBox.h"

#include <exception>

namespace vistrel {

VistrelApplication::VistrelApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vistrel"));
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

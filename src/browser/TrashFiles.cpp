#include "browser/TrashFiles.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace vistrel {

bool confirmMoveToTrash(const QStringList& paths, QWidget* parent)
{
    const QString question =
        paths.size() == 1
            ? QStringLiteral("'%1' をごみ箱に移動しますか?")
                  .arg(QFileInfo(paths.front()).fileName())
            : QStringLiteral("これらの %1 個のファイルをごみ箱に移動しますか?").arg(paths.size());
    MessageBox::trace(QStringLiteral("question"), question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("ファイルの削除"), question,
                    QMessageBox::Yes | QMessageBox::No, MessageBox::ownerFor(parent));
    box.setObjectName(QStringLiteral("boxTrashQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QStringList moveFilesToTrash(const QStringList& paths)
{
    // A new account may have no data folder yet; the home trash lives in it.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QStringList failed;
    for (const QString& path : paths)
        if (!QFile::moveToTrash(path))
            failed.append(path);
    return failed;
}

QString trashFailureMessage(const QStringList& failed)
{
    QStringList names;
    for (const QString& path : failed)
        names.append(QDir::toNativeSeparators(path));
    return QStringLiteral("次のファイルをごみ箱に移動できませんでした。\n") +
           names.join(QLatin1Char('\n'));
}

} // namespace vistrel

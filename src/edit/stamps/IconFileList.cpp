#include "edit/stamps/IconFileList.h"

#include "output/PictureFileDialog.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace vistrel {

QStringList IconListFromSlots(const IconFileSlots& slots)
{
    QStringList list;
    for (const QString& path : slots)
        if (!path.isEmpty())
            list.append(path);
    return list;
}

void StoreIconList(const QStringList& list, IconFileSlots& slots)
{
    slots.fill(QString());
    const int count = std::min(int(list.size()), IconFileSlotCount);
    for (int index = 0; index < count; ++index)
        slots[std::size_t(index)] = list.at(index);
}

QString IconAdditionRefusal(const QStringList& list, const QString& path)
{
    if (list.size() >= IconListLimit)
        return QStringLiteral("これ以上埋め込みアイコンを追加できません。");
    const QString extension = QStringLiteral(".") + QFileInfo(path).suffix().toUpper();
    if (extension != QStringLiteral(".ICO") && extension != QStringLiteral(".CUR"))
        return QStringLiteral("登録できるファイルはアイコン・カーソルファイルのみに限ります。");
    if (list.contains(path, Qt::CaseSensitive))
        return QStringLiteral("指定したファイルは既に登録されています。");
    return {};
}

QString IconStartFolder(const QString& programFolder, const QString& homeFolder)
{
    for (const QString& folder : {QDir(programFolder).filePath(QStringLiteral("icons")),
                                  QDir(homeFolder).filePath(QStringLiteral(".local/share/icons")),
                                  QStringLiteral("/usr/share/icons")}) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return programFolder;
}

QString AskIconFile(QWidget* parent, const QString& filterLabel, const QString& folder)
{
    FileDialogRequest request;
    request.filterLabels = {filterLabel};
    request.filterPatterns = {{QStringLiteral("*.ico"), QStringLiteral("*.cur")}};
    request.folder = folder;
    const auto dialog = PictureFileDialog::create(parent, request, false);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().first();
}

} // namespace vistrel

#pragma once

#include <QString>
#include <QStringList>

namespace vistrel {

// The rules of the Save-As and Open dialogs, kept apart from the widgets.
class SaveAsLogic {
public:
    // Format families of the Save-As dialog.
    enum Family { Bitmap = 1, Jpeg = 2, Png = 3, Gif = 4 };

    // The twelve filter labels in save-type order, exactly as shown.
    static const QStringList& saveFilterLabels();
    // The file patterns of each entry (matched regardless of case).
    static QStringList saveFilterPatterns(int saveType);
    // The entry the dialog opens on: the bitmap family remembers its last choice
    // (OBJECT/ASSAVETYPE, any of 1..12), the others their own type.
    static int initialFilterIndex(int family, int asSaveType);
    // The extension added to a name typed without one: that of the selected entry.
    static QString defaultSuffix(int saveType);
    // MAIN/CURDIR when set, else the fallback folder.
    static QString initialFolder(const QString& curDir, const QString& fallbackFolder);
    // Where the dialogs start before any folder was chosen: the continuous-save
    // folder when it exists, else the user's Pictures folder, else home.
    static QString firstFolder(const QString& autoSaveDir);
    // The warning text for an existing file.
    static QString overwriteQuestion(const QString& path);
    // Only the bitmap family stores its selected entry in OBJECT/ASSAVETYPE.
    static bool remembersSaveType(int family) { return family == Bitmap; }

    // The open dialog's five entries: label and patterns.
    static const QStringList& openFilterLabels();
    static QStringList openFilterPatterns(int entry);
};

} // namespace vistrel

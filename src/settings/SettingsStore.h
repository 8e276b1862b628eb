#pragma once

#include "settings/Settings.h"

#include <QString>

namespace vistrel {

// Reads and writes "Vist.ini" through the key table.
class SettingsStore {
public:
    static constexpr const char* FileName = "Vist.ini";

    // `folder` holds the file; `defaultFolder` is the default of the folder keys.
    SettingsStore(QString folder, QString defaultFolder);

    QString filePath() const;

    // Never fails: whatever is missing or unreadable takes its default.
    Settings load() const;
    // Writes every key; while `maximised` the window geometry keys keep the
    // file's values. Throws std::runtime_error with the user's message when
    // the file cannot be written; the old file then stays as it was.
    void save(const Settings& settings, bool maximised) const;

    // The settings every key's default gives.
    Settings defaults() const;

private:
    QString m_folder;
    QString m_defaultFolder;
};

} // namespace vistrel

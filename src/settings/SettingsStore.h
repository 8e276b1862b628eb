#pragma once

#include "settings/Settings.h"

#include <QString>

namespace vistrel {

// The most image tabs kept, the options dialog's limit.
constexpr int MaximumTabs = 50;

// Brings every number a hand-edited file can hold into the range the
// program can use.
void clampToUsableRanges(Settings& settings);

// Reads and writes "Vist.ini" through the key table.
class SettingsStore {
public:
    static constexpr const char* FileName = "Vist.ini";

    // `folder` holds the file; `defaultFolder` is the default of the folder keys.
    SettingsStore(QString folder, QString defaultFolder);

    QString filePath() const;

    // Never fails: whatever is missing or unreadable takes its default. When
    // the file exists but cannot be read, loadProblem() says why and save()
    // leaves the file alone.
    Settings load();
    const QString& loadProblem() const { return m_loadProblem; }
    // Writes every key; while `maximised` the window geometry keys keep the
    // file's values. Throws std::runtime_error with the user's message when
    // the file cannot be written; the old file then stays as it was.
    void save(const Settings& settings, bool maximised) const;

    // The settings every key's default gives.
    Settings defaults() const;

private:
    QString m_loadProblem;
    QString m_folder;
    QString m_defaultFolder;
};

} // namespace vistrel

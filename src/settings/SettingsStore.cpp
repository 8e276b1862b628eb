#include "settings/SettingsStore.h"

#include "platform/PrivateFolder.h"
#include "settings/IniFile.h"
#include "settings/SettingsTable.h"

#include <QDir>

#include <algorithm>

#include <stdexcept>

namespace vistrel {

namespace {

constexpr int MinimumFilePaneWidth = 100;
// Wide enough for a dated screenshot name beside its icon (the 150 pixels of old cut them).
constexpr int DefaultFilePaneWidth = 220;

void readKey(const IniFile& ini, const SettingKey& row)
{
    std::visit(
        [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            const T fallback = std::get<T>(row.fallback);
            if constexpr (std::is_same_v<T, bool>)
                *member = ini.readBool(row.section, row.key, fallback);
            else if constexpr (std::is_same_v<T, int>)
                *member = ini.readInteger(row.section, row.key, fallback);
            else
                *member = ini.readString(row.section, row.key, fallback);
        },
        row.member);
}

void writeKey(IniFile& ini, const SettingKey& row)
{
    std::visit(
        [&](auto* member) {
            using T = std::remove_pointer_t<decltype(member)>;
            if constexpr (std::is_same_v<T, bool>)
                ini.writeBool(row.section, row.key, *member);
            else if constexpr (std::is_same_v<T, int>)
                ini.writeInteger(row.section, row.key, *member);
            else
                ini.writeString(row.section, row.key, *member);
        },
        row.member);
}

bool isWindowState(const SettingKey& row)
{
    return row.section == QLatin1String("SCREEN") && row.key == QLatin1String("WINDOWSTATE");
}

} // namespace

void clampToUsableRanges(Settings& settings)
{
    // Values are used in arithmetic (milliseconds, margins, tab counts): a
    // hand-edited file must not overflow it nor allocate gigabytes. The bounds
    // are the dialogs' limits; lower values that are merely unusual (a wait
    // of 0) are kept.
    const auto clamp = [](int& value, int low, int high) { value = std::clamp(value, low, high); };
    clamp(settings.ALL.WAITTIME, 0, 3000);
    clamp(settings.ALL.SCROLLWAITTIME, 0, 1000);
    clamp(settings.RIREKI.RIREKICNT, 1, MaximumTabs);
    // Below 16 MiB not even one screen's step could be kept.
    clamp(settings.RIREKI.MEMORYMB, 16, 1 << 20);
    for (int* margin :
         {&settings.TRIM.TOP, &settings.TRIM.BOTTOM, &settings.TRIM.LEFT, &settings.TRIM.RIGHT})
        clamp(*margin, 0, 999);
    clamp(settings.TIMER.MINUTE, 1, 60);
    clamp(settings.HEAD.FONTSIZE, 1, 99);
    clamp(settings.PRINT.TOP, 0, 100);
    clamp(settings.PRINT.LEFT, 0, 100);
    clamp(settings.OBJECT.RANGEZOOM, 1, 10);
    clamp(settings.AUTOSAVE.AUTONOKETA, 1, 9);
}

SettingsStore::SettingsStore(QString folder, QString defaultFolder)
    : m_folder(std::move(folder)), m_defaultFolder(std::move(defaultFolder))
{}

QString SettingsStore::filePath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(FileName));
}

Settings SettingsStore::defaults() const
{
    Settings settings;
    for (const SettingKey& row : settingsTable(settings, m_defaultFolder))
        std::visit(
            [&](auto* member) {
                *member = std::get<std::remove_pointer_t<decltype(member)>>(row.fallback);
            },
            row.member);
    return settings;
}

Settings SettingsStore::load()
{
    IniFile ini;
    m_loadProblem.clear();
    try {
        ini = IniFile::fromFile(filePath());
    } catch (const std::runtime_error& error) {
        // The file stays as it is: its comments and unknown sections are not
        // replaced by defaults at exit.
        m_loadProblem = QString::fromStdString(error.what()) +
                        QStringLiteral("\n設定は既定値で始まり、このファイルには保存されません。");
    }
    Settings settings;
    for (const SettingKey& row : settingsTable(settings, m_defaultFolder))
        readKey(ini, row);
    settings.autoSaveNumber = 1;
    if (settings.SCREEN.SPPLIT < MinimumFilePaneWidth)
        settings.SCREEN.SPPLIT = DefaultFilePaneWidth;
    return settings;
}

void SettingsStore::save(const Settings& settings, bool maximised) const
{
    if (!m_loadProblem.isEmpty())
        return;
    // The file as it is now, so that unknown keys and skipped keys stay.
    QByteArray stored;
    IniFile ini = IniFile::fromFile(filePath(), &stored);
    Settings copy = settings;
    copy.SCREEN.WINDOWSTATE = maximised;
    const QList<SettingKey> rows = settingsTable(copy, m_defaultFolder);
    for (const SettingKey& row : rows) {
        if (row.flag == SettingKey::Flag::WindowGeometry && maximised)
            continue;
        if (row.section == QLatin1String("SCREEN") && row.key == QLatin1String("LEFT")) {
            // The window state goes first in its section, then the geometry.
            for (const SettingKey& state : rows)
                if (isWindowState(state))
                    writeKey(ini, state);
        }
        if (!isWindowState(row) || maximised)
            writeKey(ini, row);
    }
    // A run that changed nothing leaves the file alone: no write, no sync to disk.
    if (!stored.isEmpty() && ini.toBytes() == stored)
        return;
    if (!MakeFolderPathPrivately(m_folder))
        throw std::runtime_error(
            QStringLiteral("%1 に書き込めません").arg(filePath()).toStdString());
    ini.saveAtomically(filePath());
}

} // namespace vistrel

#include "settings/SettingsTable.h"

namespace vistrel {

namespace {

using Type = SettingKey::Type;
using Flag = SettingKey::Flag;

// Small builders that keep the table one readable line per key.
class TableBuilder {
public:
    explicit TableBuilder(QList<SettingKey>& rows) : m_rows(rows) {}

    void section(const QString& name) { m_section = name; }
    void boolean(const QString& key, bool& member, bool fallback, Flag flag = Flag::None)
    {
        m_rows.append({m_section, key, Type::Boolean, fallback, &member, flag});
    }
    void integer(const QString& key, int& member, int fallback, Flag flag = Flag::None)
    {
        m_rows.append({m_section, key, Type::Integer, fallback, &member, flag});
    }
    void colour(const QString& key, int& member, int fallback)
    {
        m_rows.append({m_section, key, Type::Colour, fallback, &member, Flag::None});
    }
    void string(const QString& key, QString& member, const QString& fallback)
    {
        m_rows.append({m_section, key, Type::String, fallback, &member, Flag::None});
    }

private:
    QList<SettingKey>& m_rows;
    QString m_section;
};

QString numbered(const char* key, int slot)
{
    return QString::fromLatin1(key) + QString::number(slot);
}

void addGeneralSections(TableBuilder& t, Settings& s, const QString& exeFolder)
{
    t.section(QStringLiteral("ALL"));
    t.boolean(QStringLiteral("ICON"), s.ALL.ICON, false);
    t.boolean(QStringLiteral("APCLOSE"), s.ALL.APCLOSE, false);
    t.integer(QStringLiteral("WAITTIME"), s.ALL.WAITTIME, 500);
    t.boolean(QStringLiteral("AUTOSCROLL"), s.ALL.AUTOSCROLL, true);
    t.integer(QStringLiteral("SCROLLWAITTIME"), s.ALL.SCROLLWAITTIME, 20);
    t.boolean(QStringLiteral("WAVECALL"), s.ALL.WAVECALL, false);
    t.string(QStringLiteral("WAVEFILE"), s.ALL.WAVEFILE, {});
    t.integer(QStringLiteral("FULLSCREEN"), s.ALL.FULLSCREEN, 0);
    t.string(QStringLiteral("LASTREGION"), s.ALL.LASTREGION, {});
    t.boolean(QStringLiteral("HELPBROWSER"), s.ALL.HELPBROWSER, false);

    t.section(QStringLiteral("SAVETYPE"));
    t.integer(QStringLiteral("JPGPS"), s.SAVETYPE.JPGPS, 90);
    t.boolean(QStringLiteral("JPGPRO"), s.SAVETYPE.JPGPRO, false);
    t.integer(QStringLiteral("PNGZLIB"), s.SAVETYPE.PNGZLIB, 1);
    t.integer(QStringLiteral("PNGINTERLACE"), s.SAVETYPE.PNGINTERLACE, 0);

    t.section(QStringLiteral("AUTOSAVE"));
    t.string(QStringLiteral("DIR"), s.AUTOSAVE.DIR, exeFolder);
    t.integer(QStringLiteral("SAVETYPE"), s.AUTOSAVE.SAVETYPE, 1);
    t.string(QStringLiteral("FILE"), s.AUTOSAVE.FILE, QStringLiteral("Vist"));
    t.string(QStringLiteral("FILEAFTER"), s.AUTOSAVE.FILEAFTER, {});
    t.integer(QStringLiteral("AUTONOKETA"), s.AUTOSAVE.AUTONOKETA, 3);
    t.boolean(QStringLiteral("OVERWRITE"), s.AUTOSAVE.OVERWRITE, false);

    t.section(QStringLiteral("SENDMAIL"));
    t.integer(QStringLiteral("SAVETYPE"), s.SENDMAIL.SAVETYPE, 1);
    t.string(QStringLiteral("FILE"), s.SENDMAIL.FILE, QStringLiteral("ROVUDUV"));
    t.boolean(QStringLiteral("AUTOSEND"), s.SENDMAIL.AUTOSEND, false);
    t.string(QStringLiteral("TO"), s.SENDMAIL.TO, {});
    t.string(QStringLiteral("SUBJECT"), s.SENDMAIL.SUBJECT, {});

    t.section(QStringLiteral("FILELIST"));
    t.string(QStringLiteral("INITDIR"), s.FILELIST.INITDIR, exeFolder);
    t.boolean(QStringLiteral("APEND"), s.FILELIST.APEND, false);
    t.string(QStringLiteral("APENDDIR"), s.FILELIST.APENDDIR, exeFolder);
    t.boolean(QStringLiteral("FILEMODE"), s.FILELIST.FILEMODE, false);

    t.section(QStringLiteral("RIREKI"));
    t.integer(QStringLiteral("RIREKICNT"), s.RIREKI.RIREKICNT, 10);
    t.integer(QStringLiteral("MEMORYMB"), s.RIREKI.MEMORYMB, 512);

    t.section(QStringLiteral("COLOR"));
    t.colour(QStringLiteral("BACK"), s.COLOR.BACK, 0x808080);
    t.boolean(QStringLiteral("LHAN"), s.COLOR.LHAN, true);
    t.colour(QStringLiteral("LINE"), s.COLOR.LINE, 0x0000FF);

    t.section(QStringLiteral("TRIM"));
    t.integer(QStringLiteral("TOP"), s.TRIM.TOP, 0);
    t.integer(QStringLiteral("BOTTOM"), s.TRIM.BOTTOM, 0);
    t.integer(QStringLiteral("LEFT"), s.TRIM.LEFT, 0);
    t.integer(QStringLiteral("RIGHT"), s.TRIM.RIGHT, 0);

    t.section(QStringLiteral("PRINT"));
    t.integer(QStringLiteral("MODE"), s.PRINT.MODE, 1);
    t.integer(QStringLiteral("ORIENT"), s.PRINT.ORIENT, 0);
    t.integer(QStringLiteral("TOP"), s.PRINT.TOP, 0);
    t.integer(QStringLiteral("LEFT"), s.PRINT.LEFT, 0);

    t.section(QStringLiteral("HEAD"));
    t.boolean(QStringLiteral("HEADPRN"), s.HEAD.HEADPRN, true);
    t.integer(QStringLiteral("FONTSIZE"), s.HEAD.FONTSIZE, 10);
    t.string(QStringLiteral("TEXT"), s.HEAD.TEXT,
             QStringLiteral("Date:<$DATE> <$TIME>  USER:<$USER>"));
    t.integer(QStringLiteral("POS"), s.HEAD.POS, 0);
}

void addSlotSections(TableBuilder& t, Settings& s)
{
    t.section(QStringLiteral("TOOL"));
    for (int slot = 1; slot <= Settings::ToolSlots; ++slot) {
        t.string(numbered("TITLE", slot), s.TOOL.TITLE[slot - 1], {});
        t.string(numbered("FILE", slot), s.TOOL.FILE[slot - 1], {});
        t.string(numbered("COMMAND", slot), s.TOOL.COMMAND[slot - 1], {});
    }

    t.section(QStringLiteral("ICONFILE"));
    for (int slot = 0; slot < Settings::IconFileSlots; ++slot)
        t.string(numbered("FILELST", slot), s.ICONFILE.FILELST[slot], {});

    t.section(QStringLiteral("TIMER"));
    t.integer(QStringLiteral("MINUTE"), s.TIMER.MINUTE, 3);
    t.boolean(QStringLiteral("SHOW"), s.TIMER.SHOW, true);
    t.integer(QStringLiteral("POSITION"), s.TIMER.POSITION, 0);
}

void addWindowSections(TableBuilder& t, Settings& s)
{
    t.section(QStringLiteral("MAIN"));
    t.string(QStringLiteral("CURDIR"), s.MAIN.CURDIR, {});
    t.integer(QStringLiteral("AFTERACTION"), s.MAIN.AFTERACTION, 0);
    t.boolean(QStringLiteral("CLIENT"), s.MAIN.CLIENT, false);
    t.boolean(QStringLiteral("MOUSE"), s.MAIN.MOUSE, false);
    t.boolean(QStringLiteral("TRIM"), s.MAIN.TRIM, false);
    t.boolean(QStringLiteral("FILELIST"), s.MAIN.FILELIST, false);
    t.integer(QStringLiteral("VIEW"), s.MAIN.VIEW, 1);
    t.boolean(QStringLiteral("PRNDIALOG"), s.MAIN.PRNDIALOG, false);
    t.colour(QStringLiteral("LINECOLOR"), s.MAIN.LINECOLOR, 0);
    t.integer(QStringLiteral("LINEWIDTH"), s.MAIN.LINEWIDTH, 0);

    t.section(QStringLiteral("DRAW"));
    t.integer(QStringLiteral("TOOL"), s.DRAW.TOOL, 0);
    t.string(QStringLiteral("FONTNAME"), s.DRAW.FONTNAME, {});
    t.integer(QStringLiteral("FONTSIZE"), s.DRAW.FONTSIZE, 24);
    t.boolean(QStringLiteral("OUTLINE"), s.DRAW.OUTLINE, false);
    t.integer(QStringLiteral("BLUR"), s.DRAW.BLUR, 6);

    t.section(QStringLiteral("OBJECT"));
    t.integer(QStringLiteral("RANGEPIXELS"), s.OBJECT.RANGEPIXELS, 3);
    t.integer(QStringLiteral("RANGEZOOM"), s.OBJECT.RANGEZOOM, 3);
    t.integer(QStringLiteral("RANGEACTION"), s.OBJECT.RANGEACTION, 0);
    t.integer(QStringLiteral("ASSAVETYPE"), s.OBJECT.ASSAVETYPE, 1);

    t.section(QStringLiteral("SCREEN"));
    t.integer(QStringLiteral("LEFT"), s.SCREEN.LEFT, 0, Flag::WindowGeometry);
    t.integer(QStringLiteral("TOP"), s.SCREEN.TOP, 0, Flag::WindowGeometry);
    t.integer(QStringLiteral("HEIGHT"), s.SCREEN.HEIGHT, 400, Flag::WindowGeometry);
    t.integer(QStringLiteral("WIDTH"), s.SCREEN.WIDTH, 650, Flag::WindowGeometry);
    t.boolean(QStringLiteral("WINDOWSTATE"), s.SCREEN.WINDOWSTATE, false);
    t.integer(QStringLiteral("SPPLIT"), s.SCREEN.SPPLIT, 220, Flag::WindowGeometry);

    t.section(QStringLiteral("HOTKEY"));
    for (int slot = 0; slot < Settings::HotkeySlots; ++slot) {
        Settings::HotkeyEntry& entry = s.HOTKEY[slot];
        t.string(numbered("COMMAND", slot), entry.COMMAND, {});
        t.string(numbered("PARAM", slot), entry.PARAM, {});
        t.boolean(numbered("CTRL", slot), entry.CTRL, false);
        t.boolean(numbered("SHIFT", slot), entry.SHIFT, false);
        t.boolean(numbered("ALT", slot), entry.ALT, false);
        t.boolean(numbered("WIN", slot), entry.WIN, false);
        t.string(numbered("KEY", slot), entry.KEY, {});
    }
}

} // namespace

QList<SettingKey> settingsTable(Settings& settings, const QString& exeFolder)
{
    QList<SettingKey> rows;
    TableBuilder builder(rows);
    addGeneralSections(builder, settings, exeFolder);
    addSlotSections(builder, settings);
    addWindowSections(builder, settings);
    return rows;
}

} // namespace vistrel

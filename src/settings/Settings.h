#pragma once

#include <QString>

#include <array>

namespace vistrel {

// Every persistent setting, one member per SECTION/KEY as spelled in the file.
// The defaults live in the key table (SettingsTable), not here.
// NOLINTBEGIN(readability-identifier-naming): the names are the file's own.
struct Settings {
    struct {
        bool ICON;
        bool APCLOSE;
        int WAITTIME;
        bool AUTOSCROLL;
        int SCROLLWAITTIME;
        bool WAVECALL;
        QString WAVEFILE;
        int FULLSCREEN;     // 0 the primary monitor, 1 all monitors, 2 the pointer's monitor
        QString LASTREGION; // "X,Y,W,H" of the last region captured, empty before the first
        bool HELPBROWSER;   // help pages in the web browser rather than the own help window
    } ALL{};
    struct {
        int JPGPS;
        bool JPGPRO;
        int PNGZLIB;
        int PNGINTERLACE;
    } SAVETYPE{};
    struct {
        QString DIR;
        int SAVETYPE;
        QString FILE;
        QString FILEAFTER;
        int AUTONOKETA;
        bool OVERWRITE;
    } AUTOSAVE{};
    struct {
        int SAVETYPE;
        QString FILE;
        bool AUTOSEND;
        QString TO;
        QString SUBJECT;
    } SENDMAIL{};
    struct {
        QString INITDIR;
        bool APEND;
        QString APENDDIR;
        bool FILEMODE;
    } FILELIST{};
    struct {
        int RIREKICNT;
        int MEMORYMB; // what the undo history of all tabs together may hold, in MiB
    } RIREKI{};
    struct {
        int BACK; // colour reference 0x00BBGGRR
        bool LHAN;
        int LINE;
    } COLOR{};
    struct {
        int TOP;
        int BOTTOM;
        int LEFT;
        int RIGHT;
    } TRIM{};
    struct {
        int MODE;
        int ORIENT;
        int TOP;
        int LEFT;
    } PRINT{};
    struct {
        bool HEADPRN;
        int FONTSIZE;
        QString TEXT;
        int POS;
    } HEAD{};
    static constexpr int ToolSlots = 5; // stored as slots 1 to 5
    struct {
        std::array<QString, ToolSlots> TITLE;
        std::array<QString, ToolSlots> FILE;
        std::array<QString, ToolSlots> COMMAND;
    } TOOL{};
    static constexpr int IconFileSlots = 21;
    struct {
        std::array<QString, IconFileSlots> FILELST;
    } ICONFILE{};
    struct {
        int MINUTE; // seconds, the key name notwithstanding
        bool SHOW;
        int POSITION;
    } TIMER{};
    struct {
        QString CURDIR;
        int AFTERACTION;
        bool CLIENT;
        bool MOUSE;
        bool TRIM;
        bool FILELIST;
        int VIEW;
        bool PRNDIALOG;
        int LINECOLOR;
        int LINEWIDTH;
    } MAIN{};
    // The drawing tools beside the shapes; their colour and width are MAIN's.
    struct {
        int TOOL; // the last tool chosen, 0 for none
        QString FONTNAME;
        int FONTSIZE; // pixels
        bool OUTLINE;
        int BLUR; // the blur's sigma in pixels
    } DRAW{};
    struct {
        int RANGEPIXELS;
        int RANGEZOOM;
        int RANGEACTION;
        int ASSAVETYPE;
    } OBJECT{};
    struct {
        int LEFT;
        int TOP;
        int HEIGHT;
        int WIDTH;
        bool WINDOWSTATE;
        int SPPLIT;
    } SCREEN{};
    static constexpr int HotkeySlots = 21;
    struct HotkeyEntry {
        QString COMMAND;
        QString PARAM;
        bool CTRL;
        bool SHIFT;
        bool ALT;
        bool WIN;
        QString KEY;
    };
    std::array<HotkeyEntry, HotkeySlots> HOTKEY{};

    // The next continuous-save number: 1 after every load, never stored.
    int autoSaveNumber = 1;
};
// NOLINTEND(readability-identifier-naming)

} // namespace vistrel

#pragma once

#include <optional>
#include <vector>

// The main window's commands as the user is meant to see them, written down
// independently of the program's own table so that the two can be compared.
namespace vistrel::expected {

enum class Kind { Item, Check, Radio, Submenu };

// One menu entry; `depth` 1 is inside a submenu. A null caption or handler is
// not fixed (owner-drawn items, items named only by what they run).
struct MenuRow {
    int depth;
    const char* caption;
    const char* shortcut = "";
    std::optional<int> tag = std::nullopt;
    Kind kind = Kind::Item;
    const char* handler = nullptr;
};

struct Menu {
    const char* title;
    std::vector<MenuRow> rows;
};

// One toolbar entry: a button (sharing a menu command) or a widget.
struct ButtonRow {
    const char* name; // null: not named
    const char* hint;
    bool toggle = false;
    std::optional<int> tag = std::nullopt;
    const char* handler = nullptr; // null for the widgets
};

inline constexpr const char* CursorSubmenu = "標準カーソル埋め込み(&H)";
inline constexpr const char* HotkeySubmenu = "ホットキーキャプチャ";
inline constexpr const char* CursorButtonHint = "カーソル埋め込み";

std::vector<Menu> mainMenus();
std::vector<ButtonRow> mainToolBar();
std::vector<ButtonRow> editToolBar();
std::vector<MenuRow> trayMenu();
std::vector<MenuRow> fileListMenu();
std::vector<MenuRow> lineStyleMenu();

} // namespace vistrel::expected

#include "ExpectedCommands.h"

#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "edit/stamps/CursorGrid.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <set>

using namespace vistrel;
using expected::Kind;
using expected::MenuRow;

namespace {

struct Found {
    int depth;
    QAction* action;
};

Kind kindOf(const QAction* action)
{
    if (action->menu() != nullptr)
        return Kind::Submenu;
    if (!action->isCheckable())
        return Kind::Item;
    const QActionGroup* group = action->actionGroup();
    return group != nullptr && group->exclusionPolicy() == QActionGroup::ExclusionPolicy::Exclusive
               ? Kind::Radio
               : Kind::Check;
}

// Every entry except separators, submenus followed by their contents; the
// hotkey submenu's contents depend on the hotkey table and are left out, and
// a cursor grid stands for its items.
void walk(const QMenu* menu, int depth, std::vector<Found>& out)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const auto* body = qobject_cast<QWidgetAction*>(action);
        if (const auto* grid = body ? qobject_cast<CursorGrid*>(body->defaultWidget()) : nullptr) {
            for (QAction* item : grid->items())
                out.push_back({depth, item});
            continue;
        }
        out.push_back({depth, action});
        if (action->menu() != nullptr &&
            action->text() != QString::fromUtf8(expected::HotkeySubmenu))
            walk(action->menu(), depth + 1, out);
    }
}

std::vector<Found> walk(const QMenu* menu)
{
    std::vector<Found> out;
    walk(menu, 0, out);
    return out;
}

void expectRows(const std::vector<MenuRow>& rows, const std::vector<Found>& found)
{
    ASSERT_EQ(found.size(), rows.size()) << "number of entries";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MenuRow& row = rows[i];
        const QAction* action = found[i].action;
        SCOPED_TRACE(testing::Message() << "entry " << i << " " << action->text().toStdString());
        EXPECT_EQ(found[i].depth, row.depth);
        if (row.caption != nullptr) {
            EXPECT_EQ(action->text().toStdString(), row.caption)
                << "caption \"" << action->text().toStdString() << "\", wanted \"" << row.caption
                << '"';
        }
        EXPECT_EQ(action->shortcut().toString().toStdString(),
                  QKeySequence(QString::fromUtf8(row.shortcut)).toString().toStdString());
        if (row.tag) {
            EXPECT_EQ(action->data().toInt(), *row.tag);
        }
        EXPECT_EQ(static_cast<int>(kindOf(action)), static_cast<int>(row.kind));
    }
}

class CommandTableTest : public testing::Test {
protected:
    CommandTableTest() { QDir().mkpath(platform.settingsDir); }

    QMenu* mainMenu(int index) const
    {
        const QList<QAction*> titles = window.menuBar()->actions();
        return index < titles.size() ? titles[index]->menu() : nullptr;
    }

    FakePlatform platform;
    TfrmMain window{platform};
};

} // namespace

TEST_F(CommandTableTest, MainMenusHaveTheirTitlesInOrder)
{
    QStringList titles;
    for (const QAction* action : window.menuBar()->actions())
        titles << action->text();
    QStringList wanted;
    for (const expected::Menu& menu : expected::mainMenus())
        wanted << QString::fromUtf8(menu.title);
    EXPECT_EQ(titles, wanted);
}

TEST_F(CommandTableTest, EveryMenuItemHasItsCaptionShortcutTagAndKind)
{
    const std::vector<expected::Menu> menus = expected::mainMenus();
    for (std::size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(menus[m].title);
        const QMenu* menu = mainMenu(static_cast<int>(m));
        ASSERT_NE(menu, nullptr);
        expectRows(menus[m].rows, walk(menu));
    }
}

TEST_F(CommandTableTest, RadioItemsFormOneGroupPerChoice)
{
    const QActionGroup* afterGroup = window.commands().action("mnuAfterAct0")->actionGroup();
    ASSERT_NE(afterGroup, nullptr);
    EXPECT_EQ(afterGroup->actions().size(), 9);
    const QMenu* view = mainMenu(3);
    ASSERT_NE(view, nullptr);
    std::set<const QActionGroup*> viewGroups;
    for (const QAction* action : view->actions())
        if (kindOf(action) == Kind::Radio)
            viewGroups.insert(action->actionGroup());
    EXPECT_EQ(viewGroups.size(), 1u);
}

TEST_F(CommandTableTest, EmptyToolSlotsAndTheirBandAreHidden)
{
    const QMenu* tools = mainMenu(4);
    ASSERT_NE(tools, nullptr);
    int slots = 0;
    for (const Found& f : walk(tools)) {
        if (f.action->text().isEmpty()) {
            ++slots;
            EXPECT_FALSE(f.action->isVisible()) << "slot " << f.action->data().toInt();
        }
    }
    EXPECT_EQ(slots, 5);
    EXPECT_TRUE(window.commands().toolBar("TBarTool")->isHidden());
}

TEST_F(CommandTableTest, TrayMenuItemsInOrder)
{
    const QMenu* tray = window.commands().menu("mnuPopTray");
    ASSERT_NE(tray, nullptr);
    expectRows(expected::trayMenu(), walk(tray));
}

TEST_F(CommandTableTest, PopupMenuItemsInOrder)
{
    const std::pair<const char*, std::vector<MenuRow>> popups[] = {
        {"mnuPopFlist", expected::fileListMenu()},
        {"mnuPopDrawLine", expected::lineStyleMenu()},
    };
    for (const auto& [name, rows] : popups) {
        SCOPED_TRACE(name);
        const QMenu* popup = window.commands().menu(QString::fromLatin1(name));
        ASSERT_NE(popup, nullptr);
        expectRows(rows, walk(popup));
    }
}

namespace {

struct FoundButton {
    QString name;
    QString hint;
    QAction* action; // null for a widget
};

std::vector<FoundButton> buttonsOf(const QToolBar* bar)
{
    std::vector<FoundButton> out;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            continue;
        QWidget* widget = bar->widgetForAction(action);
        const auto* button = qobject_cast<QToolButton*>(widget);
        if (button != nullptr && button->defaultAction() == action)
            out.push_back({widget->objectName(), action->toolTip(), action});
        else if (widget != nullptr) // a box, or a button that only opens a popup
            out.push_back({widget->objectName(), widget->toolTip(), nullptr});
    }
    return out;
}

void expectButtons(const std::vector<expected::ButtonRow>& rows,
                   const std::vector<FoundButton>& found)
{
    ASSERT_EQ(found.size(), rows.size()) << "number of buttons and boxes";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const expected::ButtonRow& row = rows[i];
        SCOPED_TRACE(testing::Message() << "entry " << i << " " << row.hint);
        EXPECT_EQ(found[i].hint.toStdString(), row.hint)
            << "hint \"" << found[i].hint.toStdString() << "\", wanted \"" << row.hint << '"';
        if (row.name != nullptr) {
            EXPECT_EQ(found[i].name.toStdString(), row.name);
        }
        if (found[i].action == nullptr)
            continue;
        EXPECT_EQ(found[i].action->isCheckable(), row.toggle);
        if (row.tag) {
            EXPECT_EQ(found[i].action->data().toInt(), *row.tag);
        }
    }
}

} // namespace

TEST_F(CommandTableTest, ToolBarHintsInOrder)
{
    expectButtons(expected::mainToolBar(), buttonsOf(window.commands().toolBar("TBarMain")));

    expectButtons(expected::editToolBar(), buttonsOf(window.commands().toolBar("TBarEdit")));
}

namespace {

// A bare command map with a recorder bound to every handler the table names,
// so that each item and button can be traced to its handler and tag.
class HandlerDispatchTest : public testing::Test {
protected:
    HandlerDispatchTest()
    {
        std::set<std::string> names;
        for (const expected::Menu& menu : expected::mainMenus())
            for (const MenuRow& row : menu.rows)
                if (row.handler != nullptr)
                    names.insert(row.handler);
        for (const MenuRow& row : expected::trayMenu())
            if (row.handler != nullptr)
                names.insert(row.handler);
        for (const std::string& name : names) {
            const QString handler = QString::fromStdString(name);
            map->bind(handler, [this, handler](int tag) { calls.push_back({handler, tag}); });
        }
        map->finishBinding();
    }

    // Triggers `action` and returns what ran; empty when nothing or more than one ran.
    std::optional<std::pair<QString, int>> run(QAction* action)
    {
        calls.clear();
        action->trigger();
        if (calls.size() != 1)
            return std::nullopt;
        return calls.front();
    }

    void expectDispatch(const std::vector<MenuRow>& rows, const std::vector<Found>& found)
    {
        ASSERT_EQ(found.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].handler == nullptr || rows[i].kind == Kind::Submenu)
                continue;
            SCOPED_TRACE(testing::Message()
                         << "entry " << i << " " << found[i].action->text().toStdString());
            const auto ran = run(found[i].action);
            ASSERT_TRUE(ran.has_value()) << "no handler ran";
            EXPECT_EQ(ran->first.toStdString(), rows[i].handler);
            if (rows[i].tag) {
                EXPECT_EQ(ran->second, *rows[i].tag);
            }
        }
    }

    QMainWindow window;
    CommandMap* map = new CommandMap(window);
    std::vector<std::pair<QString, int>> calls;
};

} // namespace

TEST_F(HandlerDispatchTest, MenuItemsRunTheirHandlerWithTheirTag)
{
    const std::vector<expected::Menu> menus = expected::mainMenus();
    const QList<QAction*> titles = window.menuBar()->actions();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        SCOPED_TRACE(menus[m].title);
        expectDispatch(menus[m].rows, walk(titles[static_cast<int>(m)]->menu()));
    }
    expectDispatch(expected::trayMenu(), walk(map->menu("mnuPopTray")));
}

TEST_F(HandlerDispatchTest, ToolBarButtonsRunTheirHandlerWithTheirTag)
{
    for (const char* name : {"TBarMain", "TBarEdit"}) {
        std::vector<expected::ButtonRow> rows =
            name == std::string("TBarMain") ? expected::mainToolBar() : expected::editToolBar();
        std::erase_if(rows, [](const expected::ButtonRow& row) { return row.handler == nullptr; });
        std::vector<QToolButton*> buttons;
        for (QAction* action : map->toolBar(name)->actions()) {
            auto* button = qobject_cast<QToolButton*>(map->toolBar(name)->widgetForAction(action));
            if (button != nullptr && button->defaultAction() == action)
                buttons.push_back(button);
        }
        ASSERT_EQ(buttons.size(), rows.size()) << name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].hint);
            calls.clear();
            buttons[i]->click();
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls.front().first.toStdString(), rows[i].handler);
            if (rows[i].tag) {
                EXPECT_EQ(calls.front().second, *rows[i].tag);
            }
        }
    }
}

namespace {

std::vector<QAction*> itemsOf(const QMenu* menu)
{
    std::vector<QAction*> items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            items.push_back(action);
    return items;
}

} // namespace

TEST_F(HandlerDispatchTest, CursorButtonOpensTwelveCursorItems)
{
    auto* button = window.findChild<QToolButton*>("tButEdtHCur");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    ASSERT_NE(button->menu(), nullptr);
    const std::vector<QAction*> items = itemsOf(button->menu());
    ASSERT_EQ(items.size(), 12u);
    for (int tag = 0; tag < 12; ++tag) {
        const auto ran = run(items[static_cast<std::size_t>(tag)]);
        ASSERT_TRUE(ran.has_value()) << tag;
        EXPECT_EQ(ran->first, "mnuCur1Click");
        EXPECT_EQ(ran->second, tag);
    }
}

TEST_F(HandlerDispatchTest, IconButtonArrowOpensTheIconItems)
{
    auto* button = window.findChild<QToolButton*>("tButIconPaste");
    ASSERT_NE(button, nullptr);
    ASSERT_NE(button->menu(), nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    const std::vector<QAction*> items = itemsOf(button->menu());
    const char* const captions[] = {"登録済みアイコンから...", "ファイルから読み込む...",
                                    "アイコンファイルの登録"};
    const char* const handlers[] = {"mnuIconTouPasteClick", "mnuIconFlPasteClick",
                                    "mnuIconEditClick"};
    ASSERT_EQ(items.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->text().toStdString(), captions[i]);
        const auto ran = run(items[i]);
        ASSERT_TRUE(ran.has_value()) << i;
        EXPECT_EQ(ran->first.toStdString(), handlers[i]);
    }
}

TEST(CommandBindingTest, OnlyBoundCommandsAreEnabled)
{
    QMainWindow window;
    auto* map = new CommandMap(window);
    map->bind("mnuFileSaveClick", [](int) {});
    map->finishBinding();
    const QStringList saveItems = {"名前を付けて保存(&S)...", "名前を付けてJPEG保存(&J)...",
                                   "名前を付けてPNG保存(&N)...", "名前を付けてGIF保存(&G)..."};
    int enabled = 0;
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->objectName().isEmpty() || action->menu() != nullptr || !action->isVisible())
            continue;
        if (action->isEnabled()) {
            ++enabled;
            EXPECT_TRUE(saveItems.contains(action->text())) << action->text().toStdString();
        }
    }
    EXPECT_EQ(enabled, saveItems.size());
}

#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace vistrel {

// Every menu, menu item, toolbar button, popup menu, shortcut and tag of the
// main window, built from the one table in CommandMap.cpp. Commands are bound
// to handlers by name; an item whose handler is not bound stays disabled.
class CommandMap : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(int tag)>;

    explicit CommandMap(QMainWindow& window);

    // Binds a handler name of the table ("mnuFileSaveClick") to its code.
    void bind(const QString& handlerName, Handler handler);
    // The handler bound to a name so far; empty when none is.
    Handler bound(const QString& handlerName) const { return m_handlers.value(handlerName); }
    // Disables what is still unbound; call once after binding.
    void finishBinding();

    QAction* action(const QString& objectName) const;
    QMenu* menu(const QString& objectName) const;
    QToolBar* toolBar(const QString& objectName) const;

    // Sets a check item and its toolbar button (one action) to a state.
    void setChecked(const QString& objectName, bool checked);

private:
    void buildMenuBar();
    void buildToolBars();
    void buildPopups();
    enum class Placement { MenuBar, Popup };
    template <std::size_t N>
    void buildMenus(const struct CommandRow (&rows)[N], Placement placement);
    void addPopupButton(QToolBar* bar, QMenu* popup, const struct ButtonRow& row);
    void disableEmptyPopups();
    QAction* addItem(QMenu* menu, const struct CommandRow& row);
    void trigger(const QString& handlerName, int tag);

    QMainWindow& m_window;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QToolBar*> m_toolBars;
    QHash<QString, Handler> m_handlers;
    QHash<QAction*, QString> m_handlerOf;
    QList<QToolButton*> m_popupButtons;
};

} // namespace vistrel

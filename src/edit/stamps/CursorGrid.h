#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

class QAction;
class QMenu;
class QToolButton;

namespace vistrel {

// The cursor menu's body: each item a 34 x 34 cell showing its cursor, three
// columns of four, the items running down each column. A click runs the item's
// action and closes the menus it lies in; the arrow keys move a highlighted cell
// and Enter or Space runs it.
class CursorGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int CellSize = 34;
    static constexpr int Rows = 4;

    CursorGrid(const QList<QAction*>& items, QMenu* menu);

    // The menu items the cells stand for, in tag order.
    const QList<QAction*>& items() const { return m_items; }
    int current() const { return m_current; }
    QToolButton* cell(int index) const { return m_cells.value(index); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // False when the key leaves the grid (and the menu should have it).
    bool handleKey(int key);
    void setCurrent(int index);

    QList<QAction*> m_items;
    QList<QToolButton*> m_cells;
    int m_current = 0;
};

// Lays the menu's items out as a cursor grid, each showing its image of the list.
void InstallCursorGrid(QMenu& menu, const QList<QImage>& cursors);

} // namespace vistrel

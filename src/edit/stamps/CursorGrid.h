#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

class QAction;
class QMenu;

namespace vistrel {

// The cursor menu's body: each item a 34 x 34 cell showing its cursor, three
// columns of four, the items running down each column. A click runs the item's
// action and closes the menus it lies in.
class CursorGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int CellSize = 34;
    static constexpr int Rows = 4;

    CursorGrid(const QList<QAction*>& items, QWidget* parent = nullptr);
};

// Lays the menu's items out as a cursor grid, each showing its image of the list.
void InstallCursorGrid(QMenu& menu, const QList<QImage>& cursors);

} // namespace vistrel

#include "edit/stamps/CursorGrid.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QMenu>
#include <QPixmap>
#include <QToolButton>
#include <QWidgetAction>

namespace vistrel {

CursorGrid::CursorGrid(const QList<QAction*>& items, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("cursorGrid"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    for (int index = 0; index < items.size(); ++index) {
        QAction* item = items.at(index);
        auto* cell = new QToolButton(this);
        cell->setObjectName(item->objectName());
        cell->setAutoRaise(true);
        cell->setFixedSize(CellSize, CellSize);
        cell->setIconSize(QSize(32, 32));
        cell->setIcon(item->icon());
        cell->setEnabled(item->isEnabled());
        cell->setAccessibleName(item->objectName());
        connect(item, &QAction::changed, cell,
                [cell, item] { cell->setEnabled(item->isEnabled()); });
        connect(cell, &QToolButton::clicked, item, [item] {
            // The menus close before the command runs, as a menu item's click does.
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            item->trigger();
        });
        layout->addWidget(cell, index % Rows, index / Rows);
    }
}

void InstallCursorGrid(QMenu& menu, const QList<QImage>& cursors)
{
    QList<QAction*> items;
    for (QAction* item : menu.actions()) {
        if (item->isSeparator() || item->menu() != nullptr)
            continue;
        const int tag = item->data().toInt();
        if (tag >= 0 && tag < cursors.size())
            item->setIcon(QIcon(QPixmap::fromImage(cursors.at(tag))));
        items.append(item);
        menu.removeAction(item);
    }
    auto* body = new QWidgetAction(&menu);
    body->setObjectName(menu.objectName() + QStringLiteral("Grid"));
    body->setDefaultWidget(new CursorGrid(items, &menu));
    menu.addAction(body);
}

} // namespace vistrel

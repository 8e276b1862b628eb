#include "edit/stamps/CursorGrid.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QToolButton>
#include <QWidgetAction>

namespace vistrel {

CursorGrid::CursorGrid(const QList<QAction*>& items, QMenu* menu) : QWidget(menu), m_items(items)
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
        cell->setFocusPolicy(Qt::NoFocus);
        cell->setFixedSize(CellSize, CellSize);
        cell->setIconSize(QSize(32, 32));
        cell->setIcon(item->icon());
        cell->setEnabled(item->isEnabled());
        connect(item, &QAction::changed, cell,
                [cell, item] { cell->setEnabled(item->isEnabled()); });
        connect(cell, &QToolButton::clicked, item, [item] {
            // The menus close before the command runs, as a menu item's click does.
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            item->trigger();
        });
        layout->addWidget(cell, index % Rows, index / Rows);
        cell->installEventFilter(this); // the pointer moves the highlight too
        m_cells.append(cell);
    }
    // The menu has the keyboard while it is open: its arrow keys work the grid.
    menu->installEventFilter(this);
}

void CursorGrid::showEvent(QShowEvent* event)
{
    setCurrent(0);
    QWidget::showEvent(event);
}

void CursorGrid::setCurrent(int index)
{
    if (index < 0 || index >= m_cells.size())
        return;
    m_cells.at(m_current)->setStyleSheet(QString());
    m_current = index;
    m_cells.at(m_current)->setStyleSheet(
        QStringLiteral("QToolButton { background: palette(highlight); border: none; }"));
}

bool CursorGrid::handleKey(int key)
{
    const int count = int(m_cells.size());
    const int row = m_current % Rows;
    switch (key) {
    case Qt::Key_Up:
        setCurrent(row > 0 ? m_current - 1 : std::min(m_current + Rows - 1, count - 1));
        return true;
    case Qt::Key_Down:
        setCurrent(row < Rows - 1 && m_current + 1 < count ? m_current + 1 : m_current - row);
        return true;
    case Qt::Key_Left:
        if (m_current < Rows)
            return false; // back to the parent menu
        setCurrent(m_current - Rows);
        return true;
    case Qt::Key_Right:
        if (m_current + Rows >= count)
            return false; // on to the next menu of the bar
        setCurrent(m_current + Rows);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_cells.at(m_current)->isEnabled())
            m_cells.at(m_current)->click();
        return true;
    default:
        return false;
    }
}

bool CursorGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter) {
        setCurrent(int(m_cells.indexOf(static_cast<QToolButton*>(watched))));
        return false;
    }
    if (event->type() != QEvent::KeyPress || !isVisible())
        return QWidget::eventFilter(watched, event);
    return handleKey(static_cast<QKeyEvent*>(event)->key());
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

#pragma once

#include "edit/stamps/IconFileList.h"

#include <QDialog>
#include <QImage>
#include <QList>

namespace vistrel {

// The picker of registered icons: five columns of four 35 x 35 cells, slot k in
// cell k. A double-click on a cell with an image chooses it; a right click closes.
class TfrmIcdsp : public QDialog {
    Q_OBJECT

public:
    static constexpr int Columns = 5;
    static constexpr int Rows = 4;
    static constexpr int Cell = 35;

    // Images of the slots; a null image leaves its cell empty.
    TfrmIcdsp(const QList<QImage>& images, QWidget* parent);
    int chosen() const { return m_chosen; }
    // The slot under a point of the dialog, or -1.
    int slotAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QList<QImage> m_images;
    int m_chosen = -1;
};

// Loads the slots' files (a missing file reported once, before the grid opens) and
// returns the chosen slot, or -1.
int PickIcon(QWidget* parent, const IconFileSlots& slots);

} // namespace vistrel

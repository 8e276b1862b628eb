#pragma once

#include "capture/CaptureEngine.h"
#include "capture/region/RegionSelection.h"
#include "platform/MonitorPictures.h"

#include <optional>

class QPainter;

namespace vistrel {

class FrozenScreenOverlay;

// Region capture's screen: the monitors stand still, the user drags a rectangle (or clicks
// the window under the pointer), adjusts it by its handles or the keyboard, and takes it with
// Enter, Space or a double click; Esc or the right button cancels. A magnifier shows the
// pixels around the pointer with the colour under it.
class RegionSelector {
public:
    explicit RegionSelector(Platform& platform);
    ~RegionSelector();
    RegionSelector(const RegionSelector&) = delete;
    RegionSelector& operator=(const RegionSelector&) = delete;

    // Runs until the user takes a region or cancels.
    std::optional<RegionChoice> choose();

private:
    void paint(QPainter& painter) const;
    void paintMagnifier(QPainter& painter) const;
    void onMoved(QPoint position);
    void onPressed(Qt::MouseButton button, QPoint position);
    void onReleased(Qt::MouseButton button, QPoint position);
    void onKey(int key, Qt::KeyboardModifiers modifiers);
    QRect windowUnder(QPoint position) const;
    QColor pixelAt(QPoint position) const;
    void take(const QRect& rect);
    void cancel();

    Platform& m_platform;
    QList<MonitorPicture> m_monitors;
    QList<QRect> m_windows; // top to bottom, as they were when the screen stood still
    QRect m_desktop;
    RegionSelection m_selection;
    QPoint m_pointer;
    QPoint m_pressedAt;
    QRect m_hovered;
    bool m_moved = false;
    bool m_finished = false;
    std::optional<RegionChoice> m_result;
    std::unique_ptr<FrozenScreenOverlay> m_overlay;
};

} // namespace vistrel

#pragma once

#include <QImage>
#include <QList>
#include <QRect>

namespace vistrel {

// One monitor's picture and where the monitor lies in screen coordinates.
struct MonitorPicture {
    QRect logical;
    QImage picture; // device pixels: logical size times the output's scale
};

// The part of the screen in `area`, in device pixels at the highest scale of the monitors it
// touches. Monitors at that scale give their pixels unchanged; others are resampled to it.
// Parts no monitor covers stay black. Format_RGB32.
QImage ComposeMonitorPictures(const QRect& area, const QList<MonitorPicture>& outputs);

// The scale at which `area` is composed: the highest of the monitors it touches, else 1.
qreal CompositionScale(const QRect& area, const QList<MonitorPicture>& outputs);

} // namespace vistrel

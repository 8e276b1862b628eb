#pragma once

#include <QImage>
#include <QList>
#include <QRect>

namespace vistrel::wayland {

// One output's picture and where the output lies in the compositor's layout.
struct OutputPicture {
    QRect logical;
    QImage picture; // device pixels: logical size times the output's scale
};

// The part of the layout in `area`, in device pixels at the highest scale of the outputs it
// touches. Outputs at that scale give their pixels unchanged; others are resampled to it.
// Parts no output covers stay black. Format_RGB32.
QImage ComposeOutputPictures(const QRect& area, const QList<OutputPicture>& outputs);

// The scale at which `area` is composed: the highest of the outputs it touches, else 1.
qreal CompositionScale(const QRect& area, const QList<OutputPicture>& outputs);

} // namespace vistrel::wayland

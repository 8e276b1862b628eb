#pragma once

#include <QPoint>
#include <QWidget>

#include <optional>

class QPainter;

namespace vistrel {

// Figures of the rubber band and of shapes: 0 rectangle, 1 rounded rectangle, 2 ellipse.
enum class BandKind { Rectangle = 0, RoundRect = 1, Ellipse = 2 };

// The view's rubber-band tools: a 1-pixel pen, no brush, and a pen that inverts
// what lies beneath (or XORs it with the line colour and inverts that), so the
// band stands out on any picture.
void PrepareRubberBandPen(QPainter& painter, bool invert, int lineColourReference);

// Draws a figure covering the pixels from start up to, not including, end.
void DrawRubberBand(QPainter& painter, BandKind kind, QPoint start, QPoint end);

// The rubber band over the image view. It lies on top of the view and is never
// written into the picture, so saving or copying meanwhile cannot catch it.
class RubberBandOverlay : public QWidget {
    Q_OBJECT

public:
    // `origin` is where picture pixel (0, 0) lies in the parent.
    RubberBandOverlay(QWidget* parent, QPoint origin);

    void setPen(bool invert, int lineColourReference);
    void showBand(BandKind kind, QPoint start, QPoint end);
    void hideBand();
    bool bandShown() const { return m_band.has_value(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect bandArea() const;

    struct Band {
        BandKind kind;
        QPoint start;
        QPoint end;
    };
    QPoint m_origin;
    bool m_invert = true;
    int m_lineColour = 0x0000FF;
    std::optional<Band> m_band;
};

} // namespace vistrel

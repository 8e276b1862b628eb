#pragma once

#include "edit/modes/RubberBand.h"

#include <QWidget>

class QFrame;
class QMenu;
class QToolButton;

namespace vistrel {

// The drawing tools beside the picture: the three figure buttons, the line
// colour with its swatch and the line-style drop-down.
class TDrawPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int PanelWidth = 101;

    explicit TDrawPanel(QWidget* parent = nullptr);

    QToolButton* figureButton(BandKind kind) const { return m_figures[int(kind)]; }
    QToolButton* tbutDrawColor() const { return m_tbutDrawColor; }
    QToolButton* tbutDrawLine() const { return m_tbutDrawLine; }

    void showColour(int colourReference);
    void showLine(int lineIndex);
    void setLineMenu(QMenu* menu);

Q_SIGNALS:
    void figureClicked(BandKind kind);
    void colourClicked();

private:
    QToolButton* m_figures[3];
    QToolButton* m_tbutDrawColor;
    QToolButton* m_tbutDrawLine;
    QFrame* m_shpDrawColor;
};

// A picture of a line of this index (width, solid or dotted), for the menu and button.
QIcon LineIcon(int lineIndex);

} // namespace vistrel

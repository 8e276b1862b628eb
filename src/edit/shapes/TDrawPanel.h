#pragma once

#include "edit/annotate/Annotation.h"
#include "edit/modes/RubberBand.h"

#include <QWidget>

class QCheckBox;
class QFontComboBox;
class QFrame;
class QMenu;
class QSpinBox;
class QToolButton;

namespace vistrel {

// The drawing tools beside the picture: the three figure buttons, the editable
// drawing tools, the line colour with its swatch, the line-style drop-down, the text's
// font, size and outline, and the blur's strength.
class TDrawPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int PanelWidth = 101;

    explicit TDrawPanel(QWidget* parent = nullptr);

    QToolButton* figureButton(BandKind kind) const { return m_figures[int(kind)]; }
    QToolButton* tbutDrawColor() const { return m_tbutDrawColor; }
    QToolButton* tbutDrawLine() const { return m_tbutDrawLine; }
    QToolButton* toolButton(AnnotationKind kind) const { return m_tools[int(kind) - 1]; }
    QFontComboBox* fontBox() const { return m_fontBox; }
    QSpinBox* fontSizeBox() const { return m_fontSizeBox; }
    QCheckBox* outlineBox() const { return m_outlineBox; }
    QSpinBox* blurBox() const { return m_blurBox; }
    // The badge tool shows the number the next badge gets.
    void showNextBadge(int number);

    void showColour(int colourReference);
    void showLine(int lineIndex);
    void setLineMenu(QMenu* menu);

Q_SIGNALS:
    void figureClicked(BandKind kind);
    void colourClicked();
    void toolClicked(AnnotationKind kind);

private:
    QToolButton* m_figures[3];
    QToolButton* m_tbutDrawColor;
    QToolButton* m_tbutDrawLine;
    QFrame* m_shpDrawColor;
    QToolButton* m_tools[AnnotationKindCount];
    QFontComboBox* m_fontBox;
    QSpinBox* m_fontSizeBox;
    QCheckBox* m_outlineBox;
    QSpinBox* m_blurBox;
};

// The tool's picture for its button and menu item; the badge's shows `badgeNumber`.
QIcon AnnotationToolIcon(AnnotationKind kind, int badgeNumber = 1);

// A picture of a line of this index (width, solid or dotted), for the menu and button.
QIcon LineIcon(int lineIndex);

} // namespace vistrel

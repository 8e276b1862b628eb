#pragma once

#include "edit/annotate/Annotation.h"
#include "edit/annotate/AnnotationLayer.h"

#include <QObject>
#include <QPointF>

#include <functional>
#include <optional>

class QKeyEvent;
class QInputMethodEvent;

namespace vistrel {

class EditModes;
class EditSurface;
class ImageDocument;
class StatusPanels;
class TDrawPanel;
struct Settings;

// Arrows, lines, pens, markers, texts, numbered badges and blurs. What is drawn stays an
// object that can be selected, moved, resized, recoloured or deleted until the drawing mode
// ends (another tool, a capture, a tab switch, saving, copying, printing, mailing); then
// every object is drawn into the picture in drawing order, one undo step each.
class AnnotationTools : public QObject {
    Q_OBJECT

public:
    AnnotationTools(ImageDocument& document, StatusPanels& status, Settings& settings,
                    EditModes& modes, EditSurface& surface, TDrawPanel& panel);
    ~AnnotationTools() override;

    // Sets a tool's menu item; the tool is on or off.
    std::function<void(AnnotationKind, bool)> checkToolItem;

    // The tool buttons and menu items: a tool on, or off again when it is on.
    void chooseTool(AnnotationKind kind);
    std::optional<AnnotationKind> activeTool() const { return m_active; }
    // Draws every object into the picture and leaves the drawing mode.
    void commit();
    // The panel's colour or line width changed: the selected object takes it.
    void styleChanged();

    const AnnotationScene& scene() const { return m_scene; }
    AnnotationLayer& layer() { return *m_layer; }
    // The number the next badge on the shown picture gets.
    int nextBadgeNumber() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag { None, Draw, Move, Resize };

    void press(QPoint pixel);
    void move(QPoint pixel);
    void release(QPoint pixel);
    void key(QKeyEvent* event);
    void compose(QInputMethodEvent* event);

    Annotation newObject(QPointF at) const;
    int objectAt(QPointF point) const;
    void select(int index);
    void startTyping(int index);
    void stopTyping();
    void deleteSelected();
    void changed();
    void showHint();
    void showNextBadge();
    int badgeKey() const;
    void raiseToolButtons();
    void pictureShown();
    void applyTextStyle();
    void applyBlurStrength(int sigma);

    ImageDocument& m_document;
    StatusPanels& m_status;
    Settings& m_settings;
    EditModes& m_modes;
    EditSurface& m_surface;
    TDrawPanel& m_panel;
    AnnotationScene m_scene;
    AnnotationLayer* m_layer; // owned by the view
    std::optional<AnnotationKind> m_active;
    BadgeCounter m_badges;
    Drag m_drag = Drag::None;
    int m_handle = -1;
    QPointF m_dragFrom;
    bool m_committing = false;
    bool m_restoreLastTool = true;
};

} // namespace vistrel

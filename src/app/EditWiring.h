#pragma once

#include "edit/filters/FilterCommands.h"
#include "edit/modes/EditModes.h"

#include <QRect>

#include <memory>
#include <optional>

namespace vistrel {

class AnnotationTools;
class CommandMap;
class EditSurface;
class ShapeTools;
class TDrawPanel;
class TfrmMain;

// Connects the edit modes (trimming, area selection), the area filters, the shapes and the
// drawing tools to the main window.
class EditWiring : private EditModesHost {
public:
    explicit EditWiring(TfrmMain& main);
    ~EditWiring() override;
    EditWiring(const EditWiring&) = delete;
    EditWiring& operator=(const EditWiring&) = delete;

    // Binds this subsystem's handlers in the command table.
    void bind(CommandMap& commands);

    EditModes& modes() { return *m_modes; }
    FilterCommands& filters() { return m_filters; }
    ShapeTools& shapes() { return *m_shapes; }
    AnnotationTools& annotations() { return *m_annotations; }
    EditSurface& surface() { return *m_surface; }
    void EndEditMode() { m_modes->EndEditMode(); }
    // Ends the drawing tools' mode, drawing their objects in; any other mode stays.
    void commitDrawing();
    // A finished area selection, in picture pixels; none otherwise (a shape's frame is none).
    std::optional<QRect> finishedSelection() const;

private:
    // EditModesHost
    void setToggle(const QString& item, bool checked) override;
    void PerformAfterAction(int code) override;
    TrimChoice ExecuteTrim(const TrimRequest& request, TrimWizardSettings& settings) override;

    TfrmMain& m_main;
    EditSurface* m_surface; // owned by the image view
    std::unique_ptr<EditModes> m_modes;
    FilterCommands m_filters;
    TDrawPanel* m_drawPanel; // owned by the image area
    std::unique_ptr<ShapeTools> m_shapes;
    std::unique_ptr<AnnotationTools> m_annotations;
};

} // namespace vistrel

#pragma once

#include "edit/modes/RubberBand.h"
#include "edit/modes/TTrackBox.h"
#include "edit/modes/TfrmRange.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>

namespace vistrel {

class EditSurface;
class ImageDocument;
class StatusPanels;
struct Settings;

enum EditMode {
    ModeNone = 0,
    ModeStamp = 1,
    ModeTrim = 2,
    ModeArea = 3,
    ModeShape = 4,
    ModeAnnotate = 5
};
enum EditState { StateIdle = 0, StateArmed = 1, StateDragging = 2, StateFinished = 3 };

// What the edit modes need from the rest of the main window.
class EditModesHost {
public:
    virtual ~EditModesHost() = default;
    // Sets a toggle item ("mnuEditCut", "mnuEditRange") and its toolbar button.
    virtual void setToggle(const QString& item, bool checked) = 0;
    // Carries out an after-capture action code on the current image.
    virtual void PerformAfterAction(int code) = 0;
    // Runs the trimming wizard; `settings` changes only when it is finished.
    virtual TrimChoice ExecuteTrim(const TrimRequest& request, TrimWizardSettings& settings) = 0;
};

// The one mode the mouse on the picture is in, the view's mouse handlers, the
// rubber band, the selection frame, trimming and its repetition.
class EditModes : public QObject {
    Q_OBJECT

public:
    EditModes(ImageDocument& document, StatusPanels& status, Settings& settings,
              EditSurface& surface, EditModesHost& host);
    ~EditModes() override;

    EditMode mode() const { return m_mode; }
    EditState state() const { return m_state; }
    // The finished area or shape selection in picture pixels; empty otherwise.
    QRect selection() const;
    QRect lastTrim() const { return m_lastTrim; }
    int lastTrimAction() const { return m_lastTrimAction; }

    // Ends any mode; a finished shape is committed first.
    void EndEditMode();
    void mnuEditCutClick();
    void mnuEditRangeClick();
    void mnuEditCutReturnClick();

    // Pointer positions in picture pixels.
    void imaBitmapMouseDown(QPoint point);
    void imaBitmapMouseMove(QPoint point);
    void imaBitmapMouseUp(QPoint point);

    // A click on the picture outside the frame; commits a finished shape.
    void imaBitmapClick();
    // Starts a mode that waits for the button press, with the crosshair on the view.
    void ArmMode(EditMode mode);

    void ShowSelectionFrame(bool show);
    void SyncSelection();

    // Set by shape drawing: commits a finished shape, raises the figure buttons when
    // any mode ends, and tells how the shape's frame is outlined.
    std::function<void()> commitShape;
    std::function<void()> raiseShapeButtons;
    std::function<TTrackBox::Outline()> shapeOutline;
    // Set by the drawing tools: the mouse on the picture while they are on, and their end,
    // which draws every object into the picture.
    std::function<void(QPoint)> annotatePress;
    std::function<void(QPoint)> annotateMove;
    std::function<void(QPoint)> annotateRelease;
    std::function<void()> endAnnotating;

private:
    void toggleMode(EditMode mode);
    void finishTrim();
    void trimTo(const QRect& rect, int code);
    void showTrimBand();
    void pictureChanged();
    void showTracking(const QString& text);
    QSize pictureSize() const;

    ImageDocument& m_document;
    StatusPanels& m_status;
    Settings& m_settings;
    EditSurface& m_surface;
    EditModesHost& m_host;
    EditMode m_mode = ModeNone;
    EditState m_state = StateIdle;
    QPoint m_dragStart;
    QPoint m_dragEnd;
    QRect m_selection;
    QRect m_lastTrim{0, 0, 0, 0};
    int m_lastTrimAction = 0;
    bool m_clickOnFinished = false;
};

} // namespace vistrel

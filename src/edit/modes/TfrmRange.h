#pragma once

#include "platform/HelpTopics.h"
#include <QDialog>
#include <QImage>
#include <QPoint>

#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;

namespace vistrel {

// What the wizard restores and, on finish only, stores: the step list's index,
// the magnification (1 to 10) and the action code.
struct TrimWizardSettings {
    int stepIndex = 3;
    int zoom = 3;
    int action = 0;
};

struct TrimRequest {
    QImage view; // the displayed picture, as the preview shows it
    QPoint start;
    QPoint end;
    bool invertBand = true; // the rubber band's pen, as on the main view
    int bandColour = 0x0000FF;
    // Told each new pair of corners, so that the main view follows the spinners.
    std::function<void(QPoint start, QPoint end)> follow;
};

struct TrimChoice {
    int code = 0; // 0: cancelled
    QPoint start;
    QPoint end;
};

// The trimming wizard: page 1 adjusts the corners with spinners and a magnified
// preview, page 2 chooses what is done with the trimmed part.
class TfrmRange : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpTopic = helptopic::TrimWizard;
    static constexpr int PreviewSide = 180;

    TfrmRange(const TrimRequest& request, const TrimWizardSettings& settings,
              QWidget* parent = nullptr);

    void setHelpHandler(std::function<void(int)> handler) { m_help = std::move(handler); }
    // The result once the dialog has been finished.
    TrimChoice choice() const;
    TrimWizardSettings settings() const;
    int page() const;
    // The square of the picture the preview shows now.
    QRect previewSource() const { return m_previewSource; }

private:
    QWidget* buildAdjustPage();
    QWidget* buildActionPage();
    QWidget* buildButtons();
    QSpinBox* addSpinner(const char* name, int extent, bool descending);
    void showPage(int index);
    void next();
    void cornerEdited(bool startCorner);
    void rebuildPreview(QPoint centre);
    void applyStep(int index);
    QPoint startCorner() const;
    QPoint endCorner() const;

    TrimRequest m_request;
    TrimWizardSettings m_settings;
    QStackedWidget* m_pages = nullptr;
    QSpinBox* m_udStartX = nullptr;
    QSpinBox* m_udStartY = nullptr;
    QSpinBox* m_udEndX = nullptr;
    QSpinBox* m_udEndY = nullptr;
    QLabel* m_lblWidth = nullptr;
    QLabel* m_lblHeight = nullptr;
    QComboBox* m_cboPix = nullptr;
    QSlider* m_trkZoom = nullptr;
    QLabel* m_imaPreview = nullptr;
    QButtonGroup* m_optProc = nullptr;
    QPushButton* m_butBack = nullptr;
    QPushButton* m_butNext = nullptr;
    QPoint m_shownStart;
    QPoint m_shownEnd;
    QPoint m_centre;
    QRect m_previewSource;
    std::function<void(int)> m_help;
    bool m_ready = false;
};

// Runs the wizard modally; `settings` is updated only when it is finished.
TrimChoice ExecuteTrim(QWidget* parent, const TrimRequest& request, TrimWizardSettings& settings,
                       std::function<void(int)> help = {});

} // namespace vistrel

#pragma once

#include "capture/CaptureEngine.h"

#include <QDialog>
#include <QImage>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QVBoxLayout;

namespace vistrel {

// "Vistrel - 起動オプション": asks for the capture kind or for the action when a
// capture parameter string leaves them open. Kept for the whole run, so that
// hotkey and tray entries with a bare /C or /A work after start-up too.
class TfrmParam : public QDialog {
    Q_OBJECT

public:
    explicit TfrmParam(QWidget* parent = nullptr);

    // 1 to 3, or 0 when cancelled; the options are updated on OK only.
    int AskCaptureKind(CaptureOptions& options);
    // 1 to 8, or 0 when cancelled.
    int AskAfterAction(const QImage& picture);

    // The preview shows the fitted picture (else actual size).
    bool previewFitted() const { return m_fitted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildOptions(QVBoxLayout* left);
    void buildPreview(QVBoxLayout* left);
    void setChoices(const QStringList& captions);
    int runModal();
    void showPreview();

    QLabel* m_lblMes;
    QGroupBox* m_options;
    QCheckBox* m_chkTimer;
    QSpinBox* m_edtTime;
    QLabel* m_lblSeconds;
    QCheckBox* m_chkClient;
    QCheckBox* m_chkMouse;
    QCheckBox* m_chkTrim;
    QScrollArea* m_preview;
    QLabel* m_picture;
    QVBoxLayout* m_choiceLayout;
    QButtonGroup* m_choices;
    QImage m_image;
    int m_choice = 1;
    bool m_fitted = false; // each opening toggles it, so the first shows the fitted view
};

} // namespace vistrel

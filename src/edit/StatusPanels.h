#pragma once

#include <QStatusBar>

class QLabel;

namespace vistrel {

// The main window's status bar: panel 0 the image size, panel 1 the
// continuous-save folder, panel 2 the status message; at the right panel 3 the view's zoom
// and panel 4 the picture pixel under the pointer.
class StatusPanels : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusPanels(QWidget* parent = nullptr);

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    // Shows the message at once, so that it is seen before a long operation.
    void ShowStatusMessage(const QString& text);

private:
    QLabel* m_panels[5];
};

} // namespace vistrel

#pragma once

#include "platform/HelpTopics.h"
#include <QDialog>
#include <QImage>

#include <functional>

class QButtonGroup;
class QLabel;

namespace vistrel {

// The colour-change dialog: four choices and a preview of the target area's
// top-left part (at most 150 x 150, unscaled) in the chosen colours.
class TfrmColor : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpTopic = helptopic::ColourChange;
    static constexpr int PreviewSide = 150;

    TfrmColor(const QImage& view, const QRect& area, QWidget* parent = nullptr);

    void setHelpHandler(std::function<void(int)> handler) { m_help = std::move(handler); }
    // The choice whose preview is shown (0 to 3).
    int shownChoice() const { return m_shown; }

private:
    void showPreview(int choice);

    QImage m_part;
    QButtonGroup* m_optColor;
    QLabel* m_imaPreview;
    int m_shown = 0;
    std::function<void(int)> m_help;
};

// The confirmed choice for `area` of the view, or 0 when cancelled.
int ExecuteColour(QWidget* parent, const QImage& view, const QRect& area,
                  std::function<void(int)> help = {});

} // namespace vistrel

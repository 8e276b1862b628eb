#pragma once

#include <functional>

class QWidget;

namespace vistrel {

class ImageDocument;
class StatusPanels;

// Shows "対象となるビットマップがありません。" and returns false when no picture is shown.
bool CheckPictureShown(const ImageDocument& document);

// The rotate and resize commands of the Edit menu and toolbar.
class TransformCommands {
public:
    TransformCommands(ImageDocument& document, StatusPanels& status, QWidget* parent,
                      std::function<void(int context)> help);

    // Tags 90, 270 and 180 turn by that angle; 0 asks for the angle.
    void mnuRotate90RightClick(int tag);
    void mnuEditZoomClick();

private:
    ImageDocument& m_document;
    StatusPanels& m_status;
    QWidget* m_parent;
    std::function<void(int)> m_help;
};

} // namespace vistrel

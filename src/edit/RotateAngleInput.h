#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace vistrel {

// What the typed rotation angle means: an angle of 1 to 360 degrees, or a message to show,
// or neither (0: the command stops without a word).
struct RotationAngleCheck {
    std::optional<int> degrees;
    QString message;
};

RotationAngleCheck CheckRotationAngle(const QString& text);

// Asks for a custom angle in an input box; shows the message for a wrong answer itself.
// Nothing when the user cancels, answers 0 or answers wrongly.
std::optional<int> AskRotationAngle(QWidget* parent);

// The angle of a rotate command's tag (90, 270, 180), asking the user for tag 0.
std::optional<int> RotationAngleForTag(int tag, QWidget* parent);

} // namespace vistrel

#pragma once

#include <QSize>
#include <QString>

#include <optional>

namespace vistrel {

inline constexpr const char* FontSizeRefusedText =
    "ヘッダ印刷のフォントサイズの値が数値ではありません。";

// The header font size field holds only digits and commas, and something.
bool IsFontSizeText(const QString& text);
// The point size the field stands for: the digits read as one number with the
// commas left out. Nothing for a text that fails the check or gives no size.
std::optional<int> FontSizeFromText(const QString& text);

// The paper sketch beside the orientation buttons: narrower for portrait (0),
// lower for landscape (1), the whole frame for automatic (2).
QSize PaperSketchSize(QSize frame, int orientation);

// A colour reference 0x00BBGGRR as the colour dialog speaks it, and back.
struct RgbColour {
    int red = 0;
    int green = 0;
    int blue = 0;
};
RgbColour FromColourReference(int reference);
int ToColourReference(const RgbColour& colour);

} // namespace vistrel

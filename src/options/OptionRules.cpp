#include "options/OptionRules.h"

namespace vistrel {

bool IsFontSizeText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!(c >= u'0' && c <= u'9') && c != u',')
            return false;
    return true;
}

std::optional<int> FontSizeFromText(const QString& text)
{
    if (!IsFontSizeText(text))
        return std::nullopt;
    QString digits = text;
    digits.remove(u',');
    bool ok = false;
    const int size = digits.toInt(&ok);
    // "," alone or "0" would print a header no one can read.
    if (!ok || size <= 0)
        return std::nullopt;
    return size;
}

QSize PaperSketchSize(QSize frame, int orientation)
{
    constexpr int Cut = 15;
    if (orientation == 0)
        return {frame.width() - Cut, frame.height()};
    if (orientation == 1)
        return {frame.width(), frame.height() - Cut};
    return frame;
}

RgbColour FromColourReference(int reference)
{
    return {reference & 0xFF, (reference >> 8) & 0xFF, (reference >> 16) & 0xFF};
}

int ToColourReference(const RgbColour& colour)
{
    return (colour.red & 0xFF) | ((colour.green & 0xFF) << 8) | ((colour.blue & 0xFF) << 16);
}

} // namespace vistrel

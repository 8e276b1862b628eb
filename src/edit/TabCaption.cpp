#include "edit/TabCaption.h"

#include <QList>

namespace vistrel {

namespace {

int shiftJisWidth(char32_t codePoint)
{
    const bool ascii = codePoint < 0x80;
    const bool halfWidthKatakana = codePoint >= 0xFF61 && codePoint <= 0xFF9F;
    return ascii || halfWidthKatakana ? 1 : 2;
}

} // namespace

QString TabCaption(const QString& title, int maxBytes)
{
    int bytes = 0;
    qsizetype end = 0;
    const auto codePoints = title.toUcs4();
    for (char32_t codePoint : codePoints) {
        bytes += shiftJisWidth(codePoint);
        if (bytes > maxBytes)
            break;
        end += QChar::requiresSurrogates(codePoint) ? 2 : 1;
    }
    return title.left(end);
}

} // namespace vistrel

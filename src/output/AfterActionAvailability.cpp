#include "output/AfterActionAvailability.h"

#include <array>
#include <cstddef>

namespace vistrel {

namespace {

// One entry per code; an action flips its entry when it is built.
constexpr std::array<bool, 10> Available = {
    false, // 0 nothing
    true,  // 1 save as bitmap
    true,  // 2 save as JPEG
    true,  // 3 save as PNG
    true,  // 4 save as GIF
    true,  // 5 continuous save

    true, // 6 copy to the clipboard

    true, // 7 print

    true, // 8 send by mail

    true, // 9 show the picture
};

} // namespace

bool IsAfterActionAvailable(int code)
{
    return code >= 0 && code < int(Available.size()) && Available[std::size_t(code)];
}

QString AfterActionCaption(int code)
{
    static const char* const Captions[] = {"何もしない",
                                           "名前を付けて保存する",
                                           "名前を付けてJPEG保存する",
                                           "名前を付けてPNG保存する",
                                           "名前を付けてGIF保存する",
                                           "連続して保存する",
                                           "クリップボードへコピー",
                                           "印刷出力する",
                                           "電子メールで送信する",
                                           "表示する"};
    if (code < 0 || code >= static_cast<int>(std::size(Captions)))
        return {};
    return QString::fromUtf8(Captions[code]);
}

} // namespace vistrel

// libFuzzer entry for the capture parameter grammar (hotkey entries, the command line):
// any text parses, and what the editor would write parses back to the same request.
#include "hotkeys/CaptureParam.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const vistrel::CaptureRequest request = vistrel::ParseCaptureParam(text);
    const QString written = vistrel::FormatCaptureParam(request);
    if (vistrel::FormatCaptureParam(vistrel::ParseCaptureParam(written)) != written)
        std::abort();
    return 0;
}

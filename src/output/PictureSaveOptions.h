#pragma once

namespace vistrel {

// The save types: the 1-based entries of the Save-As filter list.
enum SaveType {
    SaveTypeDevice = 1,
    SaveTypeMonochrome = 2,
    SaveType16Colours = 3,
    SaveType256Colours = 4,
    SaveType15Bit = 5,
    SaveType16Bit = 6,
    SaveType24Bit = 7,
    SaveType32Bit = 8,
    SaveTypeJpeg = 9,
    SaveTypePng = 10,
    SaveTypeGif = 11,
    SaveTypeAllFiles = 12,
};

// The codec parameters of a save, taken from the SAVETYPE settings by the caller.
struct PictureSaveOptions {
    int jpegQuality = 90;         // JPGPS, 1..100
    bool jpegProgressive = false; // JPGPRO
    int pngZlib = 1;              // PNGZLIB choice 0..3, not a zlib level
    int pngInterlace = 0;         // PNGINTERLACE, 1 = Adam7
    int screenDepth = 24;         // bits per pixel of the screen, for device-format pictures
    bool durable = false;         // synced to disk under a new name too: it will replace a file
};

} // namespace vistrel

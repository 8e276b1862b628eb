#pragma once

#include "output/PictureFileEvents.h"
#include "output/PictureSaveOptions.h"

#include <QImage>
#include <QString>

namespace vistrel {

// The one picture writer and the one picture reader.
//
// savePictureFile writes `picture` as save type `saveType` (codes other than 2..11 write a
// device bitmap), converting a private copy; the picture itself is never changed. The file
// is replaced atomically. Errors throw std::runtime_error with a message for the user; on
// success PictureFileEvents announces the folder.
void savePictureFile(const QImage& picture, int saveType, const QString& path,
                     const PictureSaveOptions& options = {});

// A null picture when the file does not exist or its extension is not .bmp, .jpg, .jpeg,
// .png or .gif (any case). The content decides the decoder, so a JPEG named .bmp opens.
// Corrupt, truncated or oversized files throw std::runtime_error. Bitmaps of 24 bits come
// back as Format_BGR888, everything else as Format_RGB32.
QImage loadPictureFile(const QString& path);
// The same, with a JPEG decoded reduced where the reduction still covers `fitWithin` (a
// picture only to be looked at, fitted to a view of that size); other types come whole.
QImage loadPictureFile(const QString& path, QSize fitWithin);
// The same reading for bytes from elsewhere (the clipboard): the content decides the
// decoder; bytes of no known picture type throw std::runtime_error too.
QImage decodePictureBytes(const QByteArray& bytes);

// loadPictureFile on a worker thread while the event loop goes on without user
// input, so that the window repaints and a termination signal is answered
// during a long decode. Throws what loadPictureFile throws.
QImage loadPictureFileInBackground(const QString& path);

// The save type written for a code: 2..11 as they are, anything else the device bitmap.
int effectiveSaveType(int saveType);
// The zlib level for a PNGZLIB choice: 0 -> 0, 1 -> -1 (the writer's default: libdeflate's
// level 2 for truecolour, zlib's 6 for palettes), 2 -> 1, 3 -> 9.
int pngZlibLevel(int choice);
// The row filters for a PNGZLIB choice, chosen by measurement: none for stored blocks, else
// Sub|Up row by row, which kept "standard" under scrot's files and "favour size" smallest.
int pngFilters(int choice);
// The text before the last '/', keeping "/" for a file in the root.
QString folderOfPath(const QString& path);

} // namespace vistrel

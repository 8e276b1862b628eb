#pragma once

#include <QImage>
#include <QString>

namespace vistrel {

// The freedesktop thumbnail cache shared with the file managers: PNG files under
// $XDG_CACHE_HOME/thumbnails/normal (128 pixels) named by the MD5 of the file's URI,
// carrying Thumb::URI and Thumb::MTime so that a changed file is seen as stale.
namespace ThumbnailCache {

constexpr int NormalSize = 128;

// The file's URI as the cache spells it ("file:///..." with its bytes escaped).
QString fileUri(const QString& path);
// Where the normal-size thumbnail of `path` lives.
QString thumbnailPath(const QString& path);
// The cached thumbnail when it belongs to this file as it is now; null otherwise.
QImage cachedThumbnail(const QString& path);
// Reads the picture, scales it to fit 128 pixels and stores it in the cache (written
// beside and renamed, owner-only). Null when the picture cannot be read; a cache that
// cannot be written still gives the thumbnail.
QImage makeThumbnail(const QString& path);
// The cached thumbnail, made first when it is missing or stale.
QImage thumbnail(const QString& path);

} // namespace ThumbnailCache

} // namespace vistrel

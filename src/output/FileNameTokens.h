#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace vistrel {

// The local time the name tokens are filled from; tests pass a fixed one.
using NameClock = std::function<QDateTime()>;
QDateTime systemNameClock();

// Replaces every occurrence of `token` in `text` by `value`, left to right, without scanning
// the inserted values again. An empty token leaves the text as it is.
QString ReplaceAllText(const QString& text, const QString& token, const QString& value);

// Fills "<$Y>", "<$M>", "<$D>", "<$H>", "<$N>" and "<$S>" from one reading of the clock, so
// that a name taken at the turn of a minute never mixes two times.
QString ExpandFileNameTokens(const QString& text, const QDateTime& at);
QString ExpandFileNameTokens(const QString& text, const NameClock& clock = systemNameClock);

// The sequence number filled with leading zeros to `digits` (1 adds none); wider numbers
// keep all their digits.
QString SequenceNumberText(int number, int digits);
// "jpg", "png" or "gif" for the save types 9, 10, 11; "bmp" for every other type.
QString SaveTypeExtension(int saveType);
// The save-settings dialog's preview: prefix, number and suffix without folder or extension.
QString FileNamePreview(const QString& prefix, int number, int digits, const QString& suffix,
                        const QDateTime& at);

} // namespace vistrel

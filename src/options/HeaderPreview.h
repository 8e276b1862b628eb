#pragma once

#include <QDateTime>
#include <QString>

namespace vistrel {

// The header line as a print would give it now: the date, time, user and
// computer tokens filled in.
QString HeaderPreviewText(const QString& text, const QDateTime& now, const QString& user,
                          const QString& computer);

} // namespace vistrel

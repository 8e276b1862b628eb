#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel::x11 {

// Text of a COMPOUND_TEXT property (ISO 2022 with X's escape sequences), as
// older programs store non-Latin window titles.
QString decodeCompoundText(const QByteArray& bytes);

} // namespace vistrel::x11

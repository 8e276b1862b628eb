#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vistrel {

bool isValidUtf8(const QByteArray& bytes);
// Shift-JIS as Windows has it (CP932).
QString decodeShiftJis(const QByteArray& bytes);
// Empty when some character has no Shift-JIS form.
std::optional<QByteArray> encodeShiftJis(const QString& text);

} // namespace vistrel

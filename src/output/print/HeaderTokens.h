#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace vistrel {

// What the header tokens are filled with; read once for a whole header line.
struct HeaderTokenValues {
    QDateTime now;
    QString user;
    QString computer;
    QLocale locale = QLocale::system(); // gives the date and time separators
};

// Replaces "<$DATE>" (yyyy/mm/dd), "<$TIME>" (hh:nn:ss, 24 hours), "<$USER>" and "<$COM>" in
// this order; the slashes and colons are the locale's own separators. Case-sensitive.
QString ExpandHeaderTokens(const QString& text, const HeaderTokenValues& values);

} // namespace vistrel

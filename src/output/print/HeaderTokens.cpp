#include "output/print/HeaderTokens.h"

#include "output/FileNameTokens.h"

namespace vistrel {

namespace {

// The first character of a short format that separates its fields ("yyyy/MM/dd" gives '/').
QChar separatorOf(const QString& format, QChar fallback)
{
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return c;
    }
    return fallback;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString dateText(QDate date, const QLocale& locale)
{
    const QChar sep = separatorOf(locale.dateFormat(QLocale::ShortFormat), u'/');
    return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')) + sep +
           twoDigits(date.month()) + sep + twoDigits(date.day());
}

QString timeText(QTime time, const QLocale& locale)
{
    const QChar sep = separatorOf(locale.timeFormat(QLocale::ShortFormat), u':');
    return twoDigits(time.hour()) + sep + twoDigits(time.minute()) + sep + twoDigits(time.second());
}

} // namespace

QString ExpandHeaderTokens(const QString& text, const HeaderTokenValues& values)
{
    QString result =
        ReplaceAllText(text, QStringLiteral("<$DATE>"), dateText(values.now.date(), values.locale));
    result = ReplaceAllText(result, QStringLiteral("<$TIME>"),
                            timeText(values.now.time(), values.locale));
    result = ReplaceAllText(result, QStringLiteral("<$USER>"), values.user.left(255));
    return ReplaceAllText(result, QStringLiteral("<$COM>"), values.computer.left(255));
}

} // namespace vistrel

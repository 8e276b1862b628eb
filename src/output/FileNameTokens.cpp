#include "output/FileNameTokens.h"

#include "output/PictureSaveOptions.h"

#include <QDate>
#include <QTime>

#include <algorithm>

namespace vistrel {

namespace {

// A hand-edited digit count must not build absurd names; no file name is longer anyway.
constexpr int MaxDigits = 255;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QDateTime systemNameClock()
{
    return QDateTime::currentDateTime();
}

QString ReplaceAllText(const QString& text, const QString& token, const QString& value)
{
    if (token.isEmpty())
        return text;
    QString result;
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(token, from, Qt::CaseSensitive); at >= 0;
         at = text.indexOf(token, from, Qt::CaseSensitive)) {
        result += QStringView(text).mid(from, at - from);
        result += value;
        from = at + token.size();
    }
    result += QStringView(text).mid(from);
    return result;
}

QString ExpandFileNameTokens(const QString& text, const QDateTime& at)
{
    const QDate date = at.date();
    const QTime time = at.time();
    QString result = ReplaceAllText(text, QStringLiteral("<$Y>"),
                                    QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')));
    result = ReplaceAllText(result, QStringLiteral("<$M>"), twoDigits(date.month()));
    result = ReplaceAllText(result, QStringLiteral("<$D>"), twoDigits(date.day()));
    result = ReplaceAllText(result, QStringLiteral("<$H>"), twoDigits(time.hour()));
    result = ReplaceAllText(result, QStringLiteral("<$N>"), twoDigits(time.minute()));
    return ReplaceAllText(result, QStringLiteral("<$S>"), twoDigits(time.second()));
}

QString ExpandFileNameTokens(const QString& text, const NameClock& clock)
{
    // Text without a token needs no clock reading.
    if (!text.contains(QLatin1String("<$")))
        return text;
    return ExpandFileNameTokens(text, clock());
}

QString SequenceNumberText(int number, int digits)
{
    return QString::number(number).rightJustified(std::clamp(digits, 1, MaxDigits),
                                                  QLatin1Char('0'));
}

QString SaveTypeExtension(int saveType)
{
    switch (saveType) {
    case SaveTypeJpeg:
        return QStringLiteral("jpg");
    case SaveTypePng:
        return QStringLiteral("png");
    case SaveTypeGif:
        return QStringLiteral("gif");
    default:
        return QStringLiteral("bmp");
    }
}

QString FileNamePreview(const QString& prefix, int number, int digits, const QString& suffix,
                        const QDateTime& at)
{
    return ExpandFileNameTokens(prefix, at) + SequenceNumberText(number, digits) +
           ExpandFileNameTokens(suffix, at) + QStringLiteral(" ex.");
}

} // namespace vistrel

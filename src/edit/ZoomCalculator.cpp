#include "edit/ZoomCalculator.h"

#include <cmath>

namespace vistrel {

namespace {

QString RoundedSide(int start, double percent)
{
    return QString::number(static_cast<long long>(std::nearbyint(start * percent / 100)));
}

} // namespace

ZoomCalculator::ZoomCalculator(QSize start) : m_start(start) {}

ZoomFields ZoomCalculator::initialFields() const
{
    return {QStringLiteral("100"), QString::number(m_start.width()),
            QString::number(m_start.height())};
}

std::optional<ZoomFields> ZoomCalculator::percentChanged(const QString& percent) const
{
    if (!IsNumber(percent, true)) {
        return std::nullopt;
    }
    const double p = std::nearbyint(percent.toDouble() * 10000) / 10000;
    return ZoomFields{percent, RoundedSide(m_start.width(), p), RoundedSide(m_start.height(), p)};
}

std::optional<ZoomFields> ZoomCalculator::widthChanged(const QString& width) const
{
    return sideChanged(width, true);
}

std::optional<ZoomFields> ZoomCalculator::heightChanged(const QString& height) const
{
    return sideChanged(height, false);
}

std::optional<ZoomFields> ZoomCalculator::sideChanged(const QString& text, bool isWidth) const
{
    const int base = isWidth ? m_start.width() : m_start.height();
    if (!IsNumber(text, false) || base <= 0) {
        return std::nullopt;
    }
    const double p = text.toDouble() / base * 100;
    if (isWidth) {
        return ZoomFields{FormatPercent(p), text, RoundedSide(m_start.height(), p)};
    }
    return ZoomFields{FormatPercent(p), RoundedSide(m_start.width(), p), text};
}

ZoomChoice ZoomCalculator::confirm(const ZoomFields& fields) const
{
    if (!IsNumber(fields.percent, true)) {
        return {{}, QStringLiteral("パーセントに数値以外が入力されています。")};
    }
    const double p = fields.percent.toDouble();
    if (p < 50 || p > 200) {
        return {{}, QStringLiteral("指定した値は有効範囲を超えています。（50%～200%）")};
    }
    if (!IsNumber(fields.width, false)) {
        return {{}, QStringLiteral("幅に数値以外が入力されています。")};
    }
    if (!IsNumber(fields.height, false)) {
        return {{}, QStringLiteral("高さに数値以外が入力されています。")};
    }
    return {QSize(fields.width.toInt(), fields.height.toInt()), {}};
}

bool ZoomCalculator::IsNumber(const QString& text, bool decimals)
{
    if (text.isEmpty() || text.startsWith(u'.') || text.endsWith(u'.')) {
        return false;
    }
    // A second "." would pass the character test but is no number at all.
    int dots = 0;
    for (const QChar ch : text) {
        const bool digit = ch >= u'0' && ch <= u'9';
        if (ch == u'.') {
            ++dots;
        }
        if (!digit && !(decimals && ch == u'.')) {
            return false;
        }
    }
    return dots <= 1;
}

QString ZoomCalculator::FormatPercent(double percent)
{
    QString text = QString::number(std::nearbyint(percent * 10000) / 10000, 'f', 4);
    while (text.endsWith(u'0')) {
        text.chop(1);
    }
    if (text.endsWith(u'.')) {
        text.chop(1);
    }
    return text;
}

} // namespace vistrel

#pragma once

#include <QSize>
#include <QString>

#include <optional>

namespace vistrel {

// The three texts of the image-size dialog.
struct ZoomFields {
    QString percent;
    QString width;
    QString height;
    bool operator==(const ZoomFields&) const = default;
};

// What confirming the dialog gives: the new size, or the message that keeps it open.
struct ZoomChoice {
    QSize size;
    QString message;
    bool accepted() const { return message.isEmpty(); }
};

// The arithmetic behind the image-size dialog: percent, width and height always keep the
// aspect ratio of the size the dialog opened with.
class ZoomCalculator {
public:
    explicit ZoomCalculator(QSize start);

    ZoomFields initialFields() const;

    // The fields after one of them was typed, or nothing when the typed text is no number
    // (the other fields then stay as they are).
    std::optional<ZoomFields> percentChanged(const QString& percent) const;
    std::optional<ZoomFields> widthChanged(const QString& width) const;
    std::optional<ZoomFields> heightChanged(const QString& height) const;

    // Checks the fields in the order the dialog reports them.
    ZoomChoice confirm(const ZoomFields& fields) const;

    // Digits only, or digits with inner "." when decimals are allowed; never empty.
    static bool IsNumber(const QString& text, bool decimals);
    // p to 4 decimal places, ties to even, without trailing zeros: 50, 33.3333.
    static QString FormatPercent(double percent);

private:
    std::optional<ZoomFields> sideChanged(const QString& text, bool isWidth) const;

    QSize m_start;
};

} // namespace vistrel

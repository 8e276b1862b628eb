#include "edit/RotateAngleInput.h"

#include "platform/MessageBox.h"

#include <QInputDialog>
#include <QRegularExpression>

namespace vistrel {

RotationAngleCheck CheckRotationAngle(const QString& text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!wholeNumber.match(text).hasMatch()) {
        return {std::nullopt, QStringLiteral("整数値を入力してください。")};
    }
    // Too many digits for any integer type is still a whole number, just far out of range.
    bool ok = false;
    const long long value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > 360) {
        return {std::nullopt, QStringLiteral("指定した値は有効範囲を超えています。")};
    }
    if (value == 0) {
        return {};
    }
    return {static_cast<int>(value), {}};
}

std::optional<int> AskRotationAngle(QWidget* parent)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(
        parent, QStringLiteral("回転角度"), QStringLiteral("回転角度(単位=度)を入力してください。"),
        QLineEdit::Normal, QString(), &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    const RotationAngleCheck check = CheckRotationAngle(text);
    if (!check.message.isEmpty()) {
        MessageBox::information(check.message, parent);
    }
    return check.degrees;
}

std::optional<int> RotationAngleForTag(int tag, QWidget* parent)
{
    if (tag == 0) {
        return AskRotationAngle(parent);
    }
    return tag;
}

} // namespace vistrel

#include "hotkeys/HotkeyEntryRules.h"

#include "hotkeys/CaptureParam.h"

#include <QStringList>

#include <optional>

namespace vistrel {

namespace {

constexpr int WindowOrControl = 3;
constexpr int RegionKind = 4;
constexpr int ContinuousSave = 5;

// "/A5;dir;type;file;after" up to the last field present; a missing field
// before it is written empty, which parses as missing again.
QString continuousSaveToken(const AutoSaveOverride& fields)
{
    const std::optional<QString> parts[] = {
        fields.Dir,
        fields.SaveType ? std::optional(QString::number(*fields.SaveType)) : std::nullopt,
        fields.File, fields.FileAfter};
    int used = 0;
    for (int i = 0; i < 4; ++i)
        if (parts[i])
            used = i + 1;
    QStringList token{QStringLiteral("/A5")};
    for (int i = 0; i < used; ++i)
        token << parts[i].value_or(QString());
    return token.join(u';');
}

} // namespace

QString HotkeyEntryError(const QString& name, int captureKind, int afterAction)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("コマンド名が入力されていません。");
    if (captureKind == 0)
        return QStringLiteral("キャプチャが選択されていません。");
    if (afterAction == 0)
        return QStringLiteral("後処理が選択されていません。");
    return {};
}

QString EditedCaptureParam(const QString& original, const CaptureRequest& edited)
{
    CaptureRequest written = edited;
    written.PointMode = 0;
    written.StayResident = false;
    const QString formatted = FormatCaptureParam(written);
    if (formatted.isEmpty())
        return formatted;
    const CaptureRequest before = ParseCaptureParam(original);
    QStringList tokens = formatted.split(u',');
    if (edited.AfterAction == ContinuousSave && before.AfterAction == ContinuousSave &&
        before.AutoSave)
        tokens[1] = continuousSaveToken(*before.AutoSave);
    // A hand-written region stays while the entry still asks for a region.
    if (edited.CaptureKind == RegionKind && !edited.LastRegion &&
        before.CaptureKind == RegionKind && before.Region && !edited.Region) {
        CaptureRequest kept = written;
        kept.Region = before.Region;
        tokens[0] = FormatCaptureParam(kept).split(u',').first();
    }
    if (edited.CaptureKind == WindowOrControl && before.CaptureKind == WindowOrControl &&
        before.PointMode != 0)
        tokens.insert(2, QStringLiteral("/W%1").arg(before.PointMode));
    return tokens.join(u',');
}

} // namespace vistrel

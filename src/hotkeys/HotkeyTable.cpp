#include "hotkeys/HotkeyTable.h"

#include "hotkeys/CaptureParam.h"
#include "hotkeys/KeyNames.h"
#include "platform/Platform.h"

namespace vistrel {

bool IsRegistrable(const TWinHotKey& entry)
{
    if (entry.KEY.isEmpty())
        return false;
    // Print alone is the desktop's screenshot key; every other key needs a modifier.
    return entry.CTRL || entry.ALT || entry.SHIFT || entry.WIN || entry.KEY == PrintScreenKeyName;
}

QString HotkeyDisplayText(const TWinHotKey& entry)
{
    if (!IsRegistrable(entry))
        return QStringLiteral("（なし）");
    QString text;
    if (entry.CTRL)
        text += QStringLiteral("Ctrl+");
    if (entry.ALT)
        text += QStringLiteral("Alt+");
    if (entry.SHIFT)
        text += QStringLiteral("Shift+");
    if (entry.WIN)
        text += QStringLiteral("Win+");
    return text + entry.KEY;
}

int HotkeyImageIndex(const QString& param)
{
    // Only the icon is wanted here: the continuous-save fields are not applied.
    const CaptureRequest request = ParseCaptureParam(param);
    return request.CaptureKind - 1 + (request.TimerOn ? 3 : 0);
}

quint32 HotkeyModifiers(const TWinHotKey& entry)
{
    quint32 modifiers = 0;
    if (entry.CTRL)
        modifiers |= HotkeyModControl;
    if (entry.ALT)
        modifiers |= HotkeyModAlt;
    if (entry.SHIFT)
        modifiers |= HotkeyModShift;
    if (entry.WIN)
        modifiers |= HotkeyModWin;
    return modifiers;
}

QString RegistrationFailedText(const TWinHotKey& entry)
{
    return QStringLiteral("「") + entry.COMMAND +
           QStringLiteral("」ホットキーの登録に失敗しました");
}

QString TrayHotkeyCaption(const TWinHotKey& entry)
{
    return entry.COMMAND + QStringLiteral(" [") + HotkeyDisplayText(entry) + QStringLiteral("]");
}

} // namespace vistrel

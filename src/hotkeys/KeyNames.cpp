#include "hotkeys/KeyNames.h"

namespace vistrel {

namespace {

constexpr char Characters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-^\\@[;:],./_";
constexpr int CharacterCount = sizeof(Characters) - 1;

// Punctuation keys of the Japanese layout: character and virtual-key code.
struct Punctuation {
    char character;
    int virtualKey;
};
constexpr Punctuation PunctuationKeys[] = {
    {'-', 0xBD}, {'^', 0xDE}, {'\\', 0xDC}, {'@', 0xC0}, {'[', 0xDB}, {';', 0xBB},
    {':', 0xBA}, {']', 0xDD}, {',', 0xBC},  {'.', 0xBE}, {'/', 0xBF}, {'_', 0xE2},
};

const QString Arrows[] = {QStringLiteral("↑"), QStringLiteral("↓"), QStringLiteral("←"),
                          QStringLiteral("→")};
constexpr int ArrowVirtualKeys[] = {0x26, 0x28, 0x25, 0x27};
constexpr quint32 ArrowKeysyms[] = {0xff52, 0xff54, 0xff51, 0xff53}; // Up, Down, Left, Right

constexpr quint32 KeysymPrint = 0xff61;
constexpr int VirtualKeySnapshot = 0x2C;
constexpr quint32 KeysymF1 = 0xffbe;
constexpr quint32 KeysymKeypad0 = 0xffb0;

int characterVirtualKey(char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
        return c;
    for (const Punctuation& key : PunctuationKeys)
        if (key.character == c)
            return key.virtualKey;
    return 0;
}

// The number after a prefix ("F12" -> 12) within [first, last], else -1.
int numberAfter(const QString& name, const QString& prefix, int first, int last)
{
    if (!name.startsWith(prefix) || name.size() == prefix.size())
        return -1;
    bool ok = false;
    const int n = name.mid(prefix.size()).toInt(&ok);
    // "F01" is not a name of the table: only the exact spelling counts.
    if (!ok || n < first || n > last || QString::number(n) != name.mid(prefix.size()))
        return -1;
    return n;
}

} // namespace

const QStringList& HotkeyKeyNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (int i = 0; i < CharacterCount; ++i)
            list << QString(QLatin1Char(Characters[i]));
        for (int i = 1; i <= 12; ++i)
            list << QStringLiteral("F%1").arg(i);
        for (int i = 0; i <= 9; ++i)
            list << QStringLiteral("10Key_%1").arg(i);
        for (const QString& arrow : Arrows)
            list << arrow;
        return list;
    }();
    return names;
}

const QStringList& HotkeyKeyBoxNames()
{
    static const QStringList names = HotkeyKeyNames() + QStringList{PrintScreenKeyName};
    return names;
}

int KeyNameToVirtualKey(const QString& name)
{
    if (name.size() == 1 && name[0].unicode() < 0x80)
        return characterVirtualKey(char(name[0].unicode()));
    if (const int f = numberAfter(name, QStringLiteral("F"), 1, 12); f > 0)
        return 0x70 + f - 1;
    if (const int k = numberAfter(name, QStringLiteral("10Key_"), 0, 9); k >= 0)
        return 0x60 + k;
    for (int i = 0; i < 4; ++i)
        if (name == Arrows[i])
            return ArrowVirtualKeys[i];
    return name == PrintScreenKeyName ? VirtualKeySnapshot : 0;
}

quint32 KeyNameToKeysym(const QString& name)
{
    if (name.size() == 1 && name[0].unicode() < 0x80) {
        const char c = char(name[0].unicode());
        if (characterVirtualKey(c) == 0)
            return 0;
        // Latin-1 keysyms are the characters themselves; letters unshifted.
        return (c >= 'A' && c <= 'Z') ? quint32(c - 'A' + 'a') : quint32(c);
    }
    if (const int f = numberAfter(name, QStringLiteral("F"), 1, 12); f > 0)
        return KeysymF1 + quint32(f - 1);
    if (const int k = numberAfter(name, QStringLiteral("10Key_"), 0, 9); k >= 0)
        return KeysymKeypad0 + quint32(k);
    for (int i = 0; i < 4; ++i)
        if (name == Arrows[i])
            return ArrowKeysyms[i];
    return name == PrintScreenKeyName ? KeysymPrint : 0;
}

} // namespace vistrel

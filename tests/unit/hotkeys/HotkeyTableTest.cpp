#include "hotkeys/HotkeyTable.h"
#include "hotkeys/HotkeyCommandLine.h"
#include "hotkeys/KeyNames.h"
#include "hotkeys/ParamPreview.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

TWinHotKey entry(bool ctrl, bool shift, bool alt, bool win, const char* key)
{
    TWinHotKey e{};
    e.COMMAND = QStringLiteral("Shot");
    e.CTRL = ctrl;
    e.SHIFT = shift;
    e.ALT = alt;
    e.WIN = win;
    e.KEY = QString::fromUtf8(key);
    return e;
}

TEST(HotkeyDisplayText, ModifiersInFixedOrderOrNone)
{
    EXPECT_EQ(HotkeyDisplayText(entry(true, true, true, true, "P")),
              QStringLiteral("Ctrl+Alt+Shift+Win+P"));
    EXPECT_EQ(HotkeyDisplayText(entry(false, true, false, true, "F5")),
              QStringLiteral("Shift+Win+F5"));
    EXPECT_EQ(HotkeyDisplayText(entry(false, false, true, false, "↑")), QStringLiteral("Alt+↑"));
    EXPECT_EQ(HotkeyDisplayText(entry(false, false, false, false, "P")), QStringLiteral("（なし）"))
        << "no modifier";
    EXPECT_EQ(HotkeyDisplayText(entry(true, false, false, false, "")), QStringLiteral("（なし）"))
        << "no key";
    EXPECT_FALSE(IsRegistrable(entry(false, false, false, false, "P")));
    EXPECT_FALSE(IsRegistrable(entry(true, false, false, false, "")));
    EXPECT_TRUE(IsRegistrable(entry(false, false, false, true, "nonsense")))
        << "the name does not matter for the condition";
}

TEST(HotkeyDisplayText, PrintScreenAloneIsTheOneKeyWithoutModifier)
{
    EXPECT_TRUE(IsRegistrable(entry(false, false, false, false, "PrintScreen")));
    EXPECT_EQ(HotkeyDisplayText(entry(false, false, false, false, "PrintScreen")),
              QStringLiteral("PrintScreen"));
    EXPECT_FALSE(IsRegistrable(entry(false, false, false, false, "F1")));
    EXPECT_EQ(KeyNameToKeysym(QStringLiteral("PrintScreen")), 0xff61u);
    EXPECT_EQ(HotkeyKeyBoxNames().last(), QStringLiteral("PrintScreen"));
}

TEST(HotkeyTable, ModifierBitsCaptionAndMessage)
{
    EXPECT_EQ(HotkeyModifiers(entry(true, false, true, false, "P")),
              quint32(HotkeyModControl | HotkeyModAlt));
    EXPECT_EQ(HotkeyModifiers(entry(false, true, false, true, "P")),
              quint32(HotkeyModShift | HotkeyModWin));
    EXPECT_EQ(TrayHotkeyCaption(entry(true, false, true, false, "P")),
              QStringLiteral("Shot [Ctrl+Alt+P]"));
    EXPECT_EQ(RegistrationFailedText(entry(true, false, false, false, "P")),
              QStringLiteral("「Shot」ホットキーの登録に失敗しました"));
}

TEST(HotkeyImageIndex, KindAndTimer)
{
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/C1,/A5")), 0);
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/C3,/A5")), 2);
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/C2,/A5,/T3")), 4);
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/C3,/A1,/T0")), 5);
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/A5")), -1);
    EXPECT_EQ(HotkeyImageIndex(QStringLiteral("/C,/A5")), 98) << "no icon for kind 99";
}

TEST(KeyNames, TableOrderAndCodes)
{
    const QStringList& names = HotkeyKeyNames();
    ASSERT_EQ(names.size(), 74);
    EXPECT_EQ(names.first(), QStringLiteral("0"));
    EXPECT_EQ(names[10], QStringLiteral("A"));
    EXPECT_EQ(names[47], QStringLiteral("_"));
    EXPECT_EQ(names[48], QStringLiteral("F1"));
    EXPECT_EQ(names[60], QStringLiteral("10Key_0"));
    EXPECT_EQ(names.mid(70), (QStringList{QStringLiteral("↑"), QStringLiteral("↓"),
                                          QStringLiteral("←"), QStringLiteral("→")}));
    for (const QString& name : names) {
        EXPECT_NE(KeyNameToVirtualKey(name), 0) << name.toStdString();
        EXPECT_NE(KeyNameToKeysym(name), 0u) << name.toStdString();
    }
}

TEST(KeyNames, VirtualKeysAndKeysyms)
{
    struct Case {
        const char* name;
        int virtualKey;
        quint32 keysym;
    };
    const Case cases[] = {
        {"0", 0x30, 0x30},
        {"P", 0x50, 0x70},
        {"-", 0xBD, 0x2d},
        {"\\", 0xDC, 0x5c},
        {"_", 0xE2, 0x5f},
        {"F1", 0x70, 0xffbe},
        {"F12", 0x7B, 0xffc9},
        {"10Key_0", 0x60, 0xffb0},
        {"10Key_9", 0x69, 0xffb9},
        {"↑", 0x26, 0xff52},
        {"↓", 0x28, 0xff54},
        {"←", 0x25, 0xff51},
        {"→", 0x27, 0xff53},
        {"p", 0, 0},
        {"F13", 0, 0},
        {"F0", 0, 0},
        {"F01", 0, 0},
        {"10Key_10", 0, 0},
        {"", 0, 0},
        {"Space", 0, 0},
        {"!", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeyNameToVirtualKey(QString::fromUtf8(c.name)), c.virtualKey);
        EXPECT_EQ(KeyNameToKeysym(QString::fromUtf8(c.name)), c.keysym);
    }
}

TEST(FittedPreviewSize, ScalesToTheNarrowerSideLessFivePixels)
{
    EXPECT_EQ(FittedPreviewSize({209, 203}, {1920, 1080}), QSize(204, 112)); // by width
    EXPECT_EQ(FittedPreviewSize({209, 203}, {100, 400}), QSize(45, 198));    // by height
    EXPECT_EQ(FittedPreviewSize({209, 203}, {2, 2}), QSize(198, 198));       // enlarged
    EXPECT_EQ(FittedPreviewSize({209, 203}, {1, 5000}), QSize(1, 198)) << "never below 1";
    EXPECT_EQ(FittedPreviewSize({209, 203}, {}), QSize(1, 1));
}

} // namespace

TEST(HotkeyCommandLine, EachTokenIsOneShellWordWhateverItHolds)
{
    TWinHotKey e = entry(true, false, false, false, "P");
    e.PARAM = QStringLiteral("/C1,/A5;/写真;PNG");
    EXPECT_EQ(HotkeyCommandLine(QStringLiteral("vistrel"), e), "vistrel /C1 '/A5;/写真;PNG'");
    e.PARAM = QStringLiteral("/A5;/it's;3,/C1");
    EXPECT_EQ(HotkeyCommandLine(QStringLiteral("/opt/my apps/vistrel"), e),
              R"('/opt/my apps/vistrel' '/A5;/it'\''s;3' /C1)");
    e.PARAM.clear();
    EXPECT_TRUE(HotkeyCommandLine(QStringLiteral("vistrel"), e).isEmpty());
}

#include "ShellTestBase.h"

using namespace vistrel::test;

namespace {

// A desktop without a notification area: the program must stay reachable.
class NoTrayTest : public ShellTestBase {};

} // namespace

TEST_F(NoTrayTest, IconOnlyStartShowsTheWindowAndClosingItEndsWithTheSettingsSaved)
{
    ASSERT_EQ(probe.selectionOwner("_NET_SYSTEM_TRAY_S0"), 0u) << "a tray host is running";
    program.writeIni("[ALL]\nICON=1\nAPCLOSE=0\n");
    ChildProcess& vistrel = program.start();
    const std::optional<WindowId> window = program.waitForMainWindow(vistrel.pid());
    ASSERT_TRUE(window) << "no window without a tray\n" << program.output().toStdString();

    probe.requestClose(*window);
    ASSERT_TRUE(vistrel.waitForExit(DefaultTimeout))
        << "closing the window left the program running";
    EXPECT_EQ(vistrel.exitCode(), 0);
    EXPECT_EQ(program.iniValue("MAIN", "AFTERACTION"), "0") << program.readIni().toStdString();
    EXPECT_EQ(program.iniValue("ALL", "ICON"), "1");
    EXPECT_EQ(program.iniValue("SCREEN", "WIDTH"), "650");
}

#pragma once

#include "ShellProgram.h"
#include "harness/XProbe.h"
#include "harness/XSession.h"

#include <gtest/gtest.h>

namespace vistrel::test {

// A session with the program's folders, and the keyboard and menu steps
// the shell tests share.
class ShellTestBase : public testing::Test {
protected:
    // Keys through the X test extension, to whichever window has the focus.
    void keys(const QStringList& names)
    {
        session.xdotool(
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} +
            names);
    }

    void activate(WindowId window)
    {
        session.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window)});
    }

    bool waitForMenu(pid_t pid)
    {
        return waitFor([&] { return !probe.popupMenus(pid).isEmpty(); });
    }

    bool waitForNoMenu(pid_t pid)
    {
        return waitFor([&] { return probe.popupMenus(pid).isEmpty(); });
    }

    bool waitUntilHidden(pid_t pid)
    {
        return waitFor([&] { return program.mainWindows(pid).isEmpty(); });
    }

    // Opens a main-menu title by its mnemonic and chooses an item by its own.
    bool chooseFromMainMenu(pid_t pid, WindowId window, const QString& menuKey,
                            const QString& itemKey)
    {
        activate(window);
        keys({QStringLiteral("alt+") + menuKey});
        if (!waitForMenu(pid))
            return false;
        keys({itemKey});
        return waitForNoMenu(pid);
    }

    XSession session;
    XProbe probe{session.display()};
    ShellProgram program{session};
};

} // namespace vistrel::test

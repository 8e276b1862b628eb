#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel::test;

// A desktop whose opener finds nothing to show a page with, as on a machine without a
// browser: the help and the home-page commands say so instead of doing nothing.
TEST(HelpCommands, AnOpenerThatFindsNoBrowserIsReported)
{
    XSession session;
    VistrelProcess vistrel{session};
    QTemporaryDir bin;
    const QString opened = bin.filePath(QStringLiteral("opened"));
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    // xdg-open's status when no method is available for opening a page.
    opener.write("#!/bin/sh\necho \"$1\" >> '" + QFile::encodeName(opened) + "'\nexit 3\n");
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    vistrel.setEnv(QStringLiteral("PATH"), bin.path());

    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << vistrel.output().toStdString();
    const auto choose = [&](const QStringList& keys) {
        session.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(*window)});
        session.xdotool(
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} +
            keys);
    };
    choose({QStringLiteral("F1")});
    ASSERT_TRUE(vistrel.waitForLogLine(
        QStringLiteral("message: ヘルプを表示する Web ブラウザが見つかりません。")))
        << vistrel.output().toStdString();
    // The box is modal: close it before the next command.
    ASSERT_TRUE(waitFor([&] { return vistrel.windows().size() == 2; }));
    for (const WindowId box : vistrel.windows())
        if (box != *window)
            session.xdotool({QStringLiteral("key"), QStringLiteral("--window"),
                             QString::number(box), QStringLiteral("Return")});
    ASSERT_TRUE(waitFor([&] { return vistrel.windows() == QList<WindowId>{*window}; }));

    choose({QStringLiteral("alt+h"), QStringLiteral("n")});
    ASSERT_TRUE(vistrel.waitForLogLine(
        QStringLiteral("message: ページを表示する Web ブラウザが見つかりません。")))
        << vistrel.output().toStdString();
    QFile urls(opened);
    ASSERT_TRUE(urls.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = urls.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("file://") && lines[0].endsWith("/help/index.html"))
        << lines[0].constData();
    EXPECT_EQ(lines[1], "https://vistrel.org/");
}

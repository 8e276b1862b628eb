#include "harness/VistrelProcess.h"
#include "harness/Wait.h"
#include "harness/XSession.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vistrel::test;

// A desktop whose opener finds nothing to show a page with, as on a machine without a
// browser: the manual still shows, in the program's own help window, even when the browser
// was chosen; the home page, which only a browser can show, says so.
TEST(HelpCommands, WithoutABrowserTheManualShowsInTheOwnWindow)
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

    vistrel.writeIni("[ALL]\nHELPBROWSER=1\n");
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
    const QString helpTitle = QStringLiteral("Vistrel ヘルプ");
    ASSERT_TRUE(waitFor([&] { return vistrel.windows(helpTitle).size() == 1; }))
        << vistrel.output().toStdString();
    EXPECT_TRUE(vistrel.output().indexOf(QStringLiteral("message:")) < 0)
        << vistrel.output().toStdString();
    session.xdotool({QStringLiteral("key"), QStringLiteral("--window"),
                     QString::number(vistrel.windows(helpTitle).first()),
                     QStringLiteral("Escape")});
    ASSERT_TRUE(waitFor([&] { return vistrel.windows(helpTitle).isEmpty(); }));

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

// A Help button of a modal dialog opens the manual at that dialog's page, in a window that
// can be read and closed while the dialog waits, and the dialog goes on afterwards.
TEST(HelpCommands, AHelpButtonOfAModalDialogOpensItsPageOverTheDialog)
{
    XSession session;
    VistrelProcess vistrel{session};
    vistrel.start();
    const auto window = vistrel.waitForMainWindow();
    ASSERT_TRUE(window) << vistrel.output().toStdString();
    const auto keysTo = [&](WindowId target, const QStringList& keys) {
        session.xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(target)});
        session.xdotool(
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150")} +
            keys);
    };
    keysTo(*window, {QStringLiteral("alt+f"), QStringLiteral("h")}); // 保存形式・連続保存の設定
    const auto dialog = session.waitForWindow(QStringLiteral("保存設定"));
    ASSERT_TRUE(dialog) << vistrel.output().toStdString();
    // The mail page, then its Help button ("&H" first reaches the button, then presses it).
    keysTo(*dialog, {QStringLiteral("ctrl+Tab"), QStringLiteral("ctrl+Tab"),
                     QStringLiteral("alt+h"), QStringLiteral("alt+h")});
    const QString helpTitle = QStringLiteral("保存設定 - Vistrel ヘルプ");
    const auto help = session.waitForWindow(helpTitle);
    ASSERT_TRUE(help) << vistrel.output().toStdString();

    keysTo(*help, {QStringLiteral("Escape")});
    ASSERT_TRUE(waitFor([&] { return vistrel.windows(helpTitle).isEmpty(); }));
    keysTo(*dialog, {QStringLiteral("Escape")});
    ASSERT_TRUE(waitFor([&] { return vistrel.windows(QStringLiteral("保存設定")).isEmpty(); }))
        << "the dialog did not take the keyboard back";
}

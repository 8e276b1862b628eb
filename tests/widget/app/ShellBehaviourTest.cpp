#include "app/CommandMap.h"
#include "app/HelpPages.h"
#include "app/TfrmHelp.h"
#include "app/TfrmMain.h"
#include "app/VistrelApplication.h"
#include "edit/ImageArea.h"
#include "platform/HelpTopics.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

using namespace vistrel;

namespace {

QByteArray fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SessionEnd, CheckpointsOnlySaveAndTheEndReportsAFailedSaveOnStderr)
{
    FakePlatform platform;
    QDir().mkpath(platform.settingsDir);
    TfrmMain window(platform);
    window.show();
    window.commitSessionData(); // "save session": written, still running
    const QString ini = platform.settingsDir + QStringLiteral("/Vist.ini");
    EXPECT_TRUE(fileText(ini).contains("CLIENT=0"));
    EXPECT_TRUE(window.isVisible());

    // The session manager's end arrives as a quit request: saved before closing.
    window.settings().MAIN.CLIENT = true;
    QEvent quit(QEvent::Quit);
    window.eventFilter(qApp, &quit);
    EXPECT_TRUE(fileText(ini).contains("CLIENT=1"));
    EXPECT_FALSE(window.isVisible());

    // A termination signal with an unwritable settings file: stderr and status 1,
    // and the tab pictures are removed all the same.
    FakePlatform blocked;
    QFile(blocked.privateTempFolder() + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    blocked.settingsDir = blocked.privateTempFolder() + QStringLiteral("/file/vistrel");
    TfrmMain ending(blocked);
    ending.tempPictures().WriteTempPicture(QImage(2, 2, QImage::Format_RGB32),
                                           TempPictures::Kind::Tab, 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ending.endSession(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("に書き込めません"), std::string::npos) << said;
    EXPECT_FALSE(QFile::exists(ending.tempPictures().path(TempPictures::Kind::Tab, 1)));
}

TEST(MessageBoxes, BelongToTheMainWindowOrSitInTheMiddleOfThePrimaryMonitor)
{
    QWidget main;
    MessageBox::setMainWindow(&main);
    main.show();
    EXPECT_EQ(MessageBox::create(false, QStringLiteral("x"), nullptr)->parentWidget(), &main);
    QDialog dialog(&main);
    dialog.show();
    EXPECT_EQ(MessageBox::create(true, QStringLiteral("x"), &dialog)->parentWidget(), &dialog);
    dialog.hide();

    main.hide(); // resident in the tray
    const auto box = MessageBox::create(false, QStringLiteral("x"), nullptr);
    EXPECT_EQ(box->parentWidget(), nullptr);
    box->show();
    const QPoint offset =
        box->frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    box->hide();
    MessageBox::setMainWindow(nullptr);
}

TEST(QtTexts, AreJapanese)
{
    QTranslator translator;
    ASSERT_TRUE(VistrelApplication::installQtTranslations(translator))
        << "Qt's translations (qt6-translations-l10n) are missing";
    EXPECT_NE(QMessageBox::tr("Show Details..."), QStringLiteral("Show Details..."));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    QCoreApplication::removeTranslator(&translator);
}

// The own help window reads the manual without a browser: links between pages stay in it
// with back and forward, web addresses go to the browser.
TEST(Help, OwnWindowFollowsTheManualAndHandsWebAddressesOn)
{
    const QString manual = QStringLiteral(VISTREL_HELP_SOURCE);
    QList<QUrl> handedOn;
    TfrmHelp window([&](const QUrl& url) {
        handedOn << url;
        return true;
    });
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("brwHelp"));
    auto* back = window.findChild<QPushButton*>(QStringLiteral("butBack"));
    auto* forward = window.findChild<QPushButton*>(QStringLiteral("butForward"));
    ASSERT_TRUE(browser && back && forward);

    window.showPage(HelpPages::urlFor(helptopic::OptionsGeneral, manual));
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("options.html"));
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("オプション")))
        << window.windowTitle().toStdString();
    EXPECT_FALSE(back->isEnabled());
    window.showPage(HelpPages::urlFor(helptopic::OptionsTools, manual));
    EXPECT_GT(browser->verticalScrollBar()->value(), 0) << "the heading is not in view";

    Q_EMIT browser->anchorClicked(QUrl(QStringLiteral("savesettings.html#mail")));
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("savesettings.html"));
    EXPECT_EQ(window.currentPage().fragment(), QStringLiteral("mail"));
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("options.html"));
    EXPECT_TRUE(forward->isEnabled());

    Q_EMIT browser->anchorClicked(QUrl(QStringLiteral("https://vistrel.org/")));
    EXPECT_EQ(handedOn, QList<QUrl>{QUrl(QStringLiteral("https://vistrel.org/"))});
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("options.html"));
    window.findChild<QPushButton*>(QStringLiteral("butHome"))->click();
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("index.html"));
}

// The browser is used only when chosen and found; otherwise the own window shows the page.
TEST(Help, AManualPageAlwaysFindsAViewer)
{
    const QUrl page = QUrl::fromLocalFile(QStringLiteral("/opt/vistrel/help/index.html"));
    for (const auto& [browser, found, inOwnWindow] :
         {std::tuple{false, true, true}, std::tuple{true, true, false},
          std::tuple{true, false, true}}) {
        int opened = 0;
        QList<QUrl> own;
        HelpPages::showHelpPage(
            page, browser,
            [&](const QUrl&) {
                ++opened;
                return found;
            },
            [&](const QUrl& url) { own << url; });
        EXPECT_EQ(opened, browser ? 1 : 0);
        EXPECT_EQ(own, inOwnWindow ? QList<QUrl>{page} : QList<QUrl>{}) << browser << found;
    }
}

TEST(Help, WithoutABrowserTellsWhereTheHelpFileIs)
{
    QStringList messages;
    MessageBox::setHandler([&](const QString&, const QString& text) { messages << text; });
    const QUrl page = QUrl::fromLocalFile(QStringLiteral("/opt/vistrel/help/index.html"));
    HelpPages::showPage(page, [](const QUrl&) { return true; });
    HelpPages::showPage(QUrl(), [](const QUrl&) { return false; }); // no help installed
    EXPECT_TRUE(messages.isEmpty());
    HelpPages::showPage(page, [](const QUrl&) { return false; });
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("/opt/vistrel/help/index.html")));
    HelpPages::showPage(QUrl(QStringLiteral("https://vistrel.org/")),
                        [](const QUrl&) { return false; });
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].endsWith(QStringLiteral("\n\nhttps://vistrel.org/")));
    MessageBox::setHandler({});
}

TEST(Help, TheOpenersVerdictDecidesWhetherThePageWasShown)
{
    QTemporaryDir bin;
    const QString opener = bin.filePath(QStringLiteral("xdg-open"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const QUrl page(QStringLiteral("https://vistrel.org/"));
    EXPECT_FALSE(HelpPages::OpenInBrowser(page)); // no opener at all
    for (const auto& [status, shown] :
         {std::pair{0, true}, std::pair{3, false}, std::pair{4, false}}) {
        QFile script(opener);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\nexit " + QByteArray::number(status) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(HelpPages::OpenInBrowser(page), shown) << status;
    }
    qputenv("PATH", path);
}

namespace {

// A main window with one captured tab holding an edit, and every question recorded.
struct EditedWindow {
    EditedWindow()
    {
        QDir().mkpath(platform.settingsDir);
        window = std::make_unique<TfrmMain>(platform);
        window->confirmExit = [this](const QString& question) {
            questions << question;
            return answer;
        };
        window->imageArea().confirmDiscard = window->confirmExit;
        window->show();
        ImageDocument& document = window->document();
        document.currentImage() = QImage(3, 2, QImage::Format_RGB32);
        document.currentImage().fill(Qt::red);
        document.AddCaptureTab(QStringLiteral("xterm"));
        document.currentImage().fill(Qt::blue);
        document.SetCurrentImage(ImageDocument::Mode::Commit);
    }
    void click(const char* item) { window->commands().action(item)->trigger(); }

    FakePlatform platform;
    std::unique_ptr<TfrmMain> window;
    QStringList questions;
    bool answer = false;
};

} // namespace

TEST(UnsavedEdits, ExitAndClosingATabAskOnceAndNoKeepsTheWork)
{
    EditedWindow edited;
    edited.click("mnuFileExit");
    EXPECT_EQ(edited.questions,
              QStringList{QStringLiteral("保存されていない編集があります。終了しますか？")});
    EXPECT_TRUE(edited.window->isVisible());
    edited.click("mnuFileTabClose");
    EXPECT_EQ(edited.window->document().tabs().size(), 1);
    EXPECT_EQ(edited.questions.size(), 2);
    EXPECT_EQ(edited.window->windowTitle(), QStringLiteral("xterm - Vistrel"));

    edited.answer = true;
    edited.window->close(); // no tray: the close button ends the program
    EXPECT_EQ(edited.questions.size(), 3);
    EXPECT_FALSE(edited.window->isVisible());
}

TEST(UnsavedEdits, ASessionEndKeepsThemWithoutAskingAndTheNextStartOffersThem)
{
    QString settingsDir;
    {
        EditedWindow edited;
        settingsDir = edited.platform.settingsDir;
        EXPECT_EQ(edited.window->endSession(), 0);
        EXPECT_TRUE(edited.questions.isEmpty());
        // The next start finds them in the same settings folder.
        FakePlatform next;
        next.settingsDir = settingsDir;
        TfrmMain restarted(next);
        QStringList asked;
        restarted.confirmRestore = [&asked](const QString& question) {
            asked << question;
            return true;
        };
        restarted.offerKeptEdits();
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QStringLiteral("1件")));
        ASSERT_EQ(restarted.document().tabs().size(), 1);
        EXPECT_EQ(restarted.document().viewBitmap().pixel(0, 0), QColor(Qt::blue).rgb());
        EXPECT_TRUE(restarted.document().tabEdited(0));
        restarted.offerKeptEdits(); // offered once
        EXPECT_EQ(asked.size(), 1);
    }
}

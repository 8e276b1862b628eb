#include "app/OptionsWiring.h"
#include "app/CommandMap.h"
#include "app/TfrmMain.h"
#include "edit/ImageArea.h"
#include "edit/StatusPanels.h"
#include "platform/MessageBox.h"
#include "platform/fake/FakePlatform.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QScrollArea>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

class OptionsWiringTest : public testing::Test {
protected:
    OptionsWiringTest()
    {
        QDir().mkpath(platform.settingsDir);
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        window = std::make_unique<TfrmMain>(platform);
    }
    ~OptionsWiringTest() override { MessageBox::setHandler({}); }

    QAction* item(int slot)
    {
        return window->commands().action(QStringLiteral("mnuToolApp%1").arg(slot));
    }

    FakePlatform platform;
    QStringList messages;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(OptionsWiringTest, AppliedOptionsShowTheToolsTheFolderAndTheBackground)
{
    Settings& s = window->settings();
    EXPECT_TRUE(window->commands().toolBar("TBarTool")->isHidden());
    s.TOOL.TITLE = {"View", "Paint", "", "", ""};
    s.TOOL.FILE = {"/bin/view", "/bin/paint", "", "", ""};
    s.AUTOSAVE.DIR = QStringLiteral("/pics");
    s.COLOR.BACK = 0x0000FF;
    window->options().ApplyOptions();
    EXPECT_TRUE(item(1)->isVisible());
    EXPECT_EQ(item(2)->text(), "Paint");
    EXPECT_EQ(item(2)->toolTip(), "Paint");
    EXPECT_FALSE(item(2)->icon().isNull());
    EXPECT_FALSE(item(3)->isVisible());
    EXPECT_FALSE(window->commands().toolBar("TBarTool")->isHidden());
    EXPECT_EQ(window->status().panelText(1), "連続: /pics");
    EXPECT_EQ(window->imageArea().ScrBoxMain()->viewport()->palette().color(QPalette::Window),
              QColor(Qt::red));

    s.TOOL.TITLE = {};
    window->options().ApplyToolTable();
    EXPECT_FALSE(item(1)->isVisible());
    EXPECT_TRUE(window->commands().toolBar("TBarTool")->isHidden());
}

TEST_F(OptionsWiringTest, AToolThatCannotStartIsNamedAfterItsPictureWasWritten)
{
    Settings& s = window->settings();
    s.TOOL.TITLE[0] = QStringLiteral("Missing");
    s.TOOL.FILE[0] = QStringLiteral("/nonexistent/viewer");
    s.TOOL.COMMAND[0] = QStringLiteral("$F");
    window->options().ApplyToolTable();
    window->document().currentImage() = QImage(4, 4, QImage::Format_RGB32);
    window->document().currentImage().fill(Qt::white);
    window->document().SetCurrentImage(ImageDocument::Mode::Reset);
    item(1)->trigger();
    EXPECT_EQ(messages,
              QStringList{"アプリケーション「/nonexistent/viewer」を起動できませんでした。"});
    EXPECT_TRUE(QFile::exists(platform.settingsDir + QStringLiteral("/Cap000.bmp")));
    EXPECT_EQ(window->status().panelText(2), QString());
}

TEST_F(OptionsWiringTest, AToolWithNoPictureShownSaysSoAndStartsNothing)
{
    Settings& s = window->settings();
    s.TOOL.TITLE[0] = QStringLiteral("Missing");
    s.TOOL.FILE[0] = QStringLiteral("/nonexistent/viewer");
    window->options().ApplyToolTable();
    item(1)->trigger();
    EXPECT_EQ(messages, QStringList{"対象となるビットマップがありません。"});
    EXPECT_FALSE(QFile::exists(platform.settingsDir + QStringLiteral("/Cap000.bmp")));
}

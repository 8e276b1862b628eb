#include "options/TfrmOption.h"
#include "options/TfrmTool.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace vistrel;

namespace {

// One control and its setting: the value loaded, and the value the user enters.
// A radio group is written "name=value,name=value".
struct Row {
    const char* control;
    std::function<QVariant(const Settings&)> get;
    std::function<void(Settings&, const QVariant&)> set;
    QVariant loaded;
    QVariant edited;
};

#define ROW(control, field, loaded, edited)                                                        \
    Row                                                                                            \
    {                                                                                              \
        control, [](const Settings& s) { return QVariant::fromValue(s.field); },                   \
            [](Settings& s, const QVariant& v) { s.field = v.value<decltype(s.field)>(); },        \
            QVariant::fromValue(decltype(Settings{}.field)(loaded)),                               \
            QVariant::fromValue(decltype(Settings{}.field)(edited))                                \
    }

const std::vector<Row>& rows()
{
    static const std::vector<Row> table = {
        ROW("chkIconUp", ALL.ICON, true, false),
        ROW("udTRugu", ALL.WAITTIME, 750, 1200),
        ROW("chkAutoScroll", ALL.AUTOSCROLL, false, true),
        ROW("udScrollRagu", ALL.SCROLLWAITTIME, 40, 990),
        ROW("chkWaveCall", ALL.WAVECALL, true, false),
        ROW("edtWaveFile", ALL.WAVEFILE, "/s/a.wav", "/s/b.wav"),
        ROW("chkAppClose", ALL.APCLOSE, false, true),
        ROW("cboFullScreen", ALL.FULLSCREEN, 2, 1),
        ROW("chkHelpBrowser", ALL.HELPBROWSER, true, false),
        ROW("edtInitDir", FILELIST.INITDIR, "/pics", "/other"),
        ROW("chkInitDir", FILELIST.APEND, false, true),
        ROW("chkFileMode", FILELIST.FILEMODE, true, false),
        ROW("udRirekiCnt", RIREKI.RIREKICNT, 15, 50),
        ROW("optLineHan=1,optLineCol=0", COLOR.LHAN, true, false),
        ROW("updTrimTop", TRIM.TOP, 1, 999),
        ROW("updTrimBottom", TRIM.BOTTOM, 2, 0),
        ROW("updTrimLeft", TRIM.LEFT, 3, 30),
        ROW("updTrimRight", TRIM.RIGHT, 4, 40),
        ROW("optPrnPort=2,optPrnFit=1,optPrnNone=0,optPrnSplit=3", PRINT.MODE, 2, 3),
        ROW("optPrnOrient1=0,optPrnOrient2=1,optPrnOrient3=2", PRINT.ORIENT, 1, 2),
        ROW("updSpTop", PRINT.TOP, 5, 100),
        ROW("updSpLeft", PRINT.LEFT, 0, 7),
        ROW("chkHeadPrn", HEAD.HEADPRN, true, false),
        ROW("edtFontSize", HEAD.FONTSIZE, 10, 24),
        ROW("edtHeadText", HEAD.TEXT, "<$DATE> x", "y <$USER>"),
        ROW("optHeadPos0=0,optHeadPos1=1,optHeadPos2=2", HEAD.POS, 1, 2),
    };
    return table;
}

class TfrmOptionTest : public testing::Test {
protected:
    TfrmOptionTest()
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        hooks.help = [this](int context) { helpTopics << context; };
        hooks.playSound = [this](const QString& file) { played << file; };
        hooks.expandHeader = [](const QString& text) { return QStringLiteral("[%1]").arg(text); };
        hooks.chooseColour = [this](QWidget*, const QColor& initial) {
            offeredColour = initial;
            return chosenColour;
        };
        hooks.editTool = [this](QWidget*, ToolEntry& entry) {
            offeredTool = entry;
            if (!toolAnswer)
                return false;
            entry = *toolAnswer;
            return true;
        };
        for (const Row& row : rows())
            row.set(stored, row.loaded);
        stored.COLOR.BACK = 0x112233;
        stored.COLOR.LINE = 0x0000FF;
        stored.TOOL.TITLE = {"One", "", "Three", "", ""}; // a gap written by hand
        stored.TOOL.FILE = {"/bin/one", "", "/bin/three", "", ""};
    }
    ~TfrmOptionTest() override { MessageBox::setHandler({}); }

    template <class Widget>
    Widget* child(const QString& name)
    {
        auto* widget = current->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QVariant read(const QString& control)
    {
        if (control.contains(u'=')) {
            for (const QString& pair : control.split(u',')) {
                const QStringList parts = pair.split(u'=');
                if (child<QRadioButton>(parts[0])->isChecked())
                    return parts[1].toInt();
            }
            return {};
        }
        QWidget* w = child<QWidget>(control);
        if (auto* box = qobject_cast<QCheckBox*>(w))
            return box->isChecked();
        if (auto* spin = qobject_cast<QSpinBox*>(w))
            return spin->value();
        if (auto* list = qobject_cast<QComboBox*>(w))
            return list->currentIndex();
        return qobject_cast<QLineEdit*>(w)->text();
    }
    void write(const QString& control, const QVariant& value)
    {
        if (control.contains(u'=')) {
            for (const QString& pair : control.split(u',')) {
                const QStringList parts = pair.split(u'=');
                if (parts[1].toInt() == value.toInt())
                    child<QRadioButton>(parts[0])->click();
            }
            return;
        }
        QWidget* w = child<QWidget>(control);
        if (auto* box = qobject_cast<QCheckBox*>(w))
            box->setChecked(value.toBool());
        else if (auto* spin = qobject_cast<QSpinBox*>(w))
            spin->setValue(value.toInt());
        else if (auto* list = qobject_cast<QComboBox*>(w))
            list->setCurrentIndex(value.toInt());
        else
            qobject_cast<QLineEdit*>(w)->setText(value.toString());
    }
    void click(const char* name) { child<QPushButton>(QString::fromLatin1(name))->click(); }
    bool enabled(const char* name)
    {
        return child<QWidget>(QString::fromLatin1(name))->isEnabled();
    }
    QStringList toolLines()
    {
        QStringList lines;
        auto* list = child<QListWidget>(QStringLiteral("lstTool"));
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    void selectTool(int line)
    {
        child<QListWidget>(QStringLiteral("lstTool"))->setCurrentRow(line);
    }

    OptionHooks hooks;
    Settings stored;
    QStringList messages;
    QList<int> helpTopics;
    QStringList played;
    QColor offeredColour;
    QColor chosenColour;
    ToolEntry offeredTool;
    std::optional<ToolEntry> toolAnswer;
    std::unique_ptr<TfrmOption> dialog;
    QWidget* current = nullptr; // the dialog the helpers work on

    void open()
    {
        dialog = std::make_unique<TfrmOption>(nullptr, hooks);
        dialog->load(stored);
        current = dialog.get();
    }
};

} // namespace

TEST_F(TfrmOptionTest, EveryControlLoadsFromAndWritesBackToItsSetting)
{
    open();
    for (const Row& row : rows())
        EXPECT_EQ(read(QString::fromLatin1(row.control)), row.loaded) << row.control;
    for (const Row& row : rows())
        write(QString::fromLatin1(row.control), row.edited);
    Settings result = stored;
    result.autoSaveNumber = 77; // not the dialog's: stays as it is
    dialog->store(result);
    for (const Row& row : rows())
        EXPECT_EQ(row.get(result), row.edited) << row.control;
    EXPECT_EQ(result.autoSaveNumber, 77);
    // The tool table comes back without its gap.
    EXPECT_EQ(result.TOOL.TITLE[1], "Three");
    EXPECT_EQ(result.TOOL.FILE[1], "/bin/three");
}

TEST_F(TfrmOptionTest, UnchangedSpinsKeepStoredValuesOutsideTheirRange)
{
    stored.ALL.WAITTIME = 0;
    stored.TRIM.RIGHT = 5000;
    open();
    Settings result = stored;
    dialog->store(result);
    EXPECT_EQ(result.ALL.WAITTIME, 0);
    EXPECT_EQ(result.TRIM.RIGHT, 5000);
    write(QStringLiteral("udTRugu"), 150);
    dialog->store(result);
    EXPECT_EQ(result.ALL.WAITTIME, 150);
}

TEST_F(TfrmOptionTest, EnablingRulesAndButtonsOfThePages)
{
    stored.ALL.AUTOSCROLL = false;
    stored.ALL.WAVECALL = false;
    stored.FILELIST.APEND = true;
    stored.COLOR.LHAN = true;
    open();
    for (const char* name :
         {"udScrollRagu", "edtWaveFile", "butWave", "edtInitDir", "butInitDir", "butLineColor"})
        EXPECT_FALSE(enabled(name)) << name;
    write(QStringLiteral("chkAutoScroll"), true);
    write(QStringLiteral("chkWaveCall"), true);
    write(QStringLiteral("chkInitDir"), false);
    write(QStringLiteral("optLineHan=1,optLineCol=0"), 0);
    for (const char* name :
         {"udScrollRagu", "edtWaveFile", "butWave", "edtInitDir", "butInitDir", "butLineColor"})
        EXPECT_TRUE(enabled(name)) << name;

    click("butBrower");
    for (const auto& [name, value] : {std::pair{"updTrimTop", 2},
                                      {"updTrimBottom", 2},
                                      {"updTrimLeft", 2},
                                      {"updTrimRight", 18}})
        EXPECT_EQ(read(QString::fromLatin1(name)), value) << name;
    click("butReset");
    EXPECT_EQ(read(QStringLiteral("updTrimRight")), 0);

    chosenColour = QColor(0x40, 0x50, 0x60);
    click("butBackColor");
    EXPECT_EQ(offeredColour, QColor(0x33, 0x22, 0x11));
    chosenColour = QColor(); // cancelled
    click("butLineColor");
    Settings result = stored;
    dialog->store(result);
    EXPECT_EQ(result.COLOR.BACK, 0x605040);
    EXPECT_EQ(result.COLOR.LINE, 0x0000FF);

    click("butWaveTest"); // the file does not exist: nothing plays
    write(QStringLiteral("edtWaveFile"), QCoreApplication::applicationFilePath());
    click("butWaveTest");
    EXPECT_EQ(played, QStringList{QCoreApplication::applicationFilePath()});

    click("butHelp");
    EXPECT_EQ(helpTopics, QList<int>{30});
}

TEST_F(TfrmOptionTest, HeaderPreviewAndTheFontSizeCheck)
{
    open();
    auto* preview = child<QLabel>(QStringLiteral("lblImage"));
    EXPECT_EQ(preview->text(), "[<$DATE> x]");
    EXPECT_EQ(preview->font().pointSize(), 10);
    write(QStringLiteral("edtFontSize"), QStringLiteral("14"));
    write(QStringLiteral("edtHeadText"), QStringLiteral("abc"));
    EXPECT_EQ(preview->text(), "[abc]");
    EXPECT_EQ(preview->font().pointSize(), 14);

    dialog->show();
    write(QStringLiteral("edtFontSize"), QString());
    click("butOK");
    EXPECT_EQ(messages, QStringList{"ヘッダ印刷のフォントサイズの値が数値ではありません。"});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    write(QStringLiteral("edtFontSize"), QStringLiteral("12"));
    click("butOK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(TfrmOptionTest, ToolPageAddsEditsAndDeletesUpToFive)
{
    open();
    EXPECT_EQ(toolLines(), (QStringList{"One", "Three"}));
    toolAnswer = ToolEntry{"Four", "/bin/four", "-a $F"};
    click("butToolAdd");
    EXPECT_EQ(offeredTool, (ToolEntry{"", "", "$F"}));
    click("butToolEdit"); // the added line is selected
    EXPECT_EQ(offeredTool.title, "Four");
    toolAnswer = ToolEntry{"Drei", "/bin/3", ""};
    selectTool(1);
    click("butToolEdit");
    toolAnswer.reset(); // cancelled editor: nothing added
    click("butToolAdd");
    EXPECT_EQ(toolLines(), (QStringList{"One", "Drei", "Four"}));
    selectTool(0);
    click("butToolDel");
    EXPECT_EQ(toolLines(), (QStringList{"Drei", "Four"}));

    toolAnswer = ToolEntry{"X", "/x", ""};
    for (int i = 0; i < 3; ++i)
        click("butToolAdd");
    offeredTool = {};
    click("butToolAdd");
    EXPECT_EQ(messages, QStringList{"これ以上アプリケーションを追加できません。"});
    EXPECT_EQ(offeredTool, ToolEntry{}); // no editor for a sixth
    Settings result = stored;
    dialog->store(result);
    EXPECT_EQ(result.TOOL.TITLE, (std::array<QString, 5>{"Drei", "Four", "X", "X", "X"}));
    EXPECT_EQ(result.TOOL.COMMAND[1], "-a $F");
}

TEST_F(TfrmOptionTest, CancelLeavesEverySettingAsItWas)
{
    Settings settings = stored;
    QTimer::singleShot(0, [this] {
        current = qobject_cast<TfrmOption*>(QApplication::activeModalWidget());
        ASSERT_NE(current, nullptr);
        for (const Row& row : rows())
            write(QString::fromLatin1(row.control), row.edited);
        selectTool(0);
        click("butToolDel");
        click("butCancel");
    });
    EXPECT_FALSE(EditOptions(nullptr, settings, hooks));
    for (const Row& row : rows())
        EXPECT_EQ(row.get(settings), row.loaded) << row.control;
    EXPECT_EQ(settings.TOOL.TITLE, stored.TOOL.TITLE);
}

TEST(TfrmTool, BrowseFillsFileAndTitleAndABlankTitleIsRefused)
{
    QStringList messages;
    MessageBox::setHandler([&](const QString&, const QString& text) { messages << text; });
    TfrmTool dialog;
    QString offered;
    dialog.setFileChooser([&](QWidget*, const QString& start) {
        offered = start;
        return QStringLiteral("/opt/view er/show.sh");
    });
    dialog.load({"Old", "/bin/old", "$F"});
    dialog.show();
    dialog.findChild<QPushButton*>("butSrhFile")->click();
    EXPECT_EQ(offered, "/bin/old");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("edtTitle")->text(), "show");
    dialog.findChild<QLineEdit*>("edtTitle")->setText("  ");
    dialog.findChild<QPushButton*>("butOK")->click();
    EXPECT_EQ(messages, QStringList{"タイトル名が入力されていません。"});
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>("edtTitle")->setText(" Show ");
    dialog.findChild<QPushButton*>("butOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.entry(), (ToolEntry{" Show ", "/opt/view er/show.sh", "$F"}));
    MessageBox::setHandler({});
}

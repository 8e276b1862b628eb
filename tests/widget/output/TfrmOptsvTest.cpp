#include "output/TfrmOptsv.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const QDateTime Fixed(QDate(2024, 1, 5), QTime(9, 4, 7));

SaveSettingsValues storedValues()
{
    SaveSettingsValues v;
    v.jpegQuality = 90;
    v.pngZlib = 1;
    v.autoSave = {QStringLiteral("/tmp/pictures"), 1, QStringLiteral("Vist"), {}, 3, false};
    v.autoSaveNumber = 1;
    v.mailSaveType = 1;
    v.mailFile = QStringLiteral("ROVUDUV");
    return v;
}

bool sameValues(const SaveSettingsValues& a, const SaveSettingsValues& b)
{
    return a.jpegQuality == b.jpegQuality && a.jpegProgressive == b.jpegProgressive &&
           a.pngZlib == b.pngZlib && a.pngInterlace == b.pngInterlace &&
           a.autoSave.dir == b.autoSave.dir && a.autoSave.saveType == b.autoSave.saveType &&
           a.autoSave.file == b.autoSave.file && a.autoSave.fileAfter == b.autoSave.fileAfter &&
           a.autoSave.digits == b.autoSave.digits && a.autoSave.overwrite == b.autoSave.overwrite &&
           a.autoSaveNumber == b.autoSaveNumber && a.mailSaveType == b.mailSaveType &&
           a.mailFile == b.mailFile && a.mailAutoSend == b.mailAutoSend && a.mailTo == b.mailTo &&
           a.mailSubject == b.mailSubject;
}

class TfrmOptsvTest : public ::testing::Test {
protected:
    QStringList messages;
    QList<int> helpTopics;
    TfrmOptsv dialog{nullptr, [this](int topic) { helpTopics << topic; }};

    void SetUp() override
    {
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
        dialog.setClock([] { return Fixed; });
        dialog.load(storedValues());
    }
    void TearDown() override { MessageBox::setHandler({}); }

    template <class Widget>
    Widget* child(const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void type(const char* edit, const QString& text)
    {
        QLineEdit* field = child<QLineEdit>(edit);
        field->selectAll();
        field->insert(text); // as typed; keyClicks knows no Japanese
    }
    QString preview() { return child<QLabel>("lblFileName")->text(); }
    void clickOk() { child<QPushButton>("butOK")->click(); }
};

} // namespace

TEST_F(TfrmOptsvTest, ShowsItsPagesListsAndRanges)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("保存設定"));
    auto* pages = child<QTabWidget>("pgcOptsv");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("保存形式"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("連続保存"));
    EXPECT_EQ(pages->tabText(2), QStringLiteral("メール送信"));
    auto* autoType = child<QComboBox>("cboAutoType");
    ASSERT_EQ(autoType->count(), 11);
    EXPECT_EQ(autoType->itemText(8), QStringLiteral("JPEG ﾌｧｲﾙ            (*.jpg)"));
    EXPECT_EQ(autoType->itemText(10), QStringLiteral("GIF ﾌｧｲﾙ             (*.gif)"));
    EXPECT_EQ(autoType->itemText(0), QStringLiteral("ﾃﾞﾊﾞｲｽ      ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)"));
    EXPECT_EQ(child<QComboBox>("cboMailType")->count(), 11);
    EXPECT_EQ(child<QComboBox>("cboAutoNoKeta")->itemText(0), QStringLiteral("桁無し"));
    EXPECT_EQ(child<QComboBox>("cboZlib")->itemText(3), QStringLiteral("圧縮率を優先して圧縮"));
    EXPECT_EQ(child<QSpinBox>("udJpg")->maximum(), 100);
    EXPECT_EQ(child<QSpinBox>("updAutoNo")->maximum(), 9999);
    EXPECT_EQ(child<QLineEdit>("edtAutoNo")->maxLength(), 4);
    EXPECT_EQ(child<QLineEdit>("edtJpg")->maxLength(), 3);
    EXPECT_EQ(child<QPushButton>("butDir")->text(), QStringLiteral("... "));
    EXPECT_TRUE(child<QPushButton>("butOK")->isDefault());
}

TEST_F(TfrmOptsvTest, PreviewFollowsEveryNameField)
{
    EXPECT_EQ(preview(), QStringLiteral("Vist001 ex."));
    type("edtAutoFile", QStringLiteral("shot_<$Y><$M><$D>_"));
    EXPECT_EQ(preview(), QStringLiteral("shot_20240105_001 ex."));
    child<QSpinBox>("updAutoNo")->setValue(42);
    EXPECT_EQ(preview(), QStringLiteral("shot_20240105_042 ex."));
    child<QComboBox>("cboAutoNoKeta")->setCurrentIndex(0);
    EXPECT_EQ(preview(), QStringLiteral("shot_20240105_42 ex."));
    type("edtAutoFileAfter", QStringLiteral("_<$H><$N>"));
    EXPECT_EQ(preview(), QStringLiteral("shot_20240105_42_0904 ex."));
    child<QComboBox>("cboAutoNoKeta")->setCurrentIndex(3);
    EXPECT_EQ(preview(), QStringLiteral("shot_20240105_0042_0904 ex."));
}

TEST_F(TfrmOptsvTest, OkCopiesEveryControlBack)
{
    child<QSpinBox>("udJpg")->setValue(55);
    child<QCheckBox>("chkJpgPro")->setChecked(true);
    child<QComboBox>("cboZlib")->setCurrentIndex(3);
    child<QCheckBox>("chkPInterlace")->setChecked(true);
    child<QComboBox>("cboAutoType")->setCurrentIndex(9);
    type("edtAutoDir", QStringLiteral("/srv/shots"));
    type("edtAutoFile", QStringLiteral("a_"));
    child<QSpinBox>("updAutoNo")->setValue(77);
    child<QComboBox>("cboAutoNoKeta")->setCurrentIndex(1);
    type("edtAutoFileAfter", QStringLiteral("_z"));
    child<QCheckBox>("chkAutoOverWrite")->setChecked(true);
    child<QComboBox>("cboMailType")->setCurrentIndex(8);
    type("edtMailFile", QStringLiteral("mail"));
    child<QCheckBox>("chkSendMail")->setChecked(true);
    type("edtMailTo", QStringLiteral("a@example.org"));
    type("edtMailSubject", QStringLiteral("件名"));
    clickOk();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    const SaveSettingsValues& v = dialog.values();
    EXPECT_EQ(v.jpegQuality, 55);
    EXPECT_TRUE(v.jpegProgressive);
    EXPECT_EQ(v.pngZlib, 3);
    EXPECT_EQ(v.pngInterlace, 1);
    EXPECT_EQ(v.autoSave.saveType, 10);
    EXPECT_EQ(v.autoSave.dir, "/srv/shots");
    EXPECT_EQ(v.autoSave.file, "a_");
    EXPECT_EQ(v.autoSaveNumber, 77);
    EXPECT_EQ(v.autoSave.digits, 2);
    EXPECT_EQ(v.autoSave.fileAfter, "_z");
    EXPECT_TRUE(v.autoSave.overwrite);
    EXPECT_EQ(v.mailSaveType, 9);
    EXPECT_EQ(v.mailFile, "mail");
    EXPECT_TRUE(v.mailAutoSend);
    EXPECT_EQ(v.mailTo, "a@example.org");
    EXPECT_EQ(v.mailSubject, "件名");
}

TEST_F(TfrmOptsvTest, RefusalKeepsTheDialogOpenAndStoresNothing)
{
    type("edtAutoFile", QStringLiteral("a:b"));
    type("edtAutoFileAfter", QStringLiteral("x"));
    clickOk();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("連続保存－ファイル名[前]")));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(sameValues(dialog.values(), storedValues()));
    EXPECT_EQ(child<QLineEdit>("edtAutoFile")->text(), "a:b"); // the input stays for correction
}

TEST_F(TfrmOptsvTest, AutomaticMailDecidesWhetherTheAddressIsNeeded)
{
    auto* send = child<QCheckBox>("chkSendMail");
    send->setChecked(true);
    EXPECT_TRUE(child<QLineEdit>("edtMailTo")->isEnabled());
    clickOk();
    EXPECT_EQ(messages, QStringList{"メール送信－宛先が入力されていません。"});
    send->setChecked(false);
    EXPECT_FALSE(child<QLineEdit>("edtMailTo")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("edtMailSubject")->isEnabled());
    clickOk();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(TfrmOptsvTest, HelpOpensThePageTopic)
{
    auto* pages = child<QTabWidget>("pgcOptsv");
    for (int page = 0; page < 3; ++page) {
        pages->setCurrentIndex(page);
        child<QPushButton>("butHelp")->click();
    }
    EXPECT_EQ(helpTopics, (QList<int>{24, 26, 28}));
}

TEST_F(TfrmOptsvTest, FolderButtonStartsFromAnExistingFolder)
{
    QTemporaryDir existing;
    QStringList starts;
    QString answer = QStringLiteral("/chosen");
    dialog.setProgramFolder(QStringLiteral("/opt/vistrel"));
    dialog.setFolderChooser([&](QWidget*, const QString& start) {
        starts << start;
        return answer;
    });
    type("edtAutoDir", existing.path());
    child<QPushButton>("butDir")->click();
    EXPECT_EQ(child<QLineEdit>("edtAutoDir")->text(), "/chosen");
    child<QPushButton>("butDir")->click(); // "/chosen" does not exist
    answer.clear();                        // cancelled
    child<QPushButton>("butDir")->click();
    EXPECT_EQ(starts, (QStringList{existing.path(), "/opt/vistrel", "/opt/vistrel"}));
    EXPECT_EQ(child<QLineEdit>("edtAutoDir")->text(), "/chosen");
}

TEST_F(TfrmOptsvTest, StoredValuesOutsideTheListsSurviveOk)
{
    SaveSettingsValues odd = storedValues();
    odd.pngZlib = 7;
    odd.autoSave.saveType = 12;
    odd.autoSave.digits = 9;
    odd.autoSaveNumber = 12000; // counted past what the number field can show
    dialog.load(odd);
    EXPECT_EQ(child<QComboBox>("cboAutoType")->currentIndex(), -1);
    clickOk();
    EXPECT_TRUE(sameValues(dialog.values(), odd));
}

TEST(EditSaveSettings, CancelChangesNothingAndOkWritesBack)
{
    SaveSettingsValues values = storedValues();
    const auto answer = [](const char* button, const QString& prefix) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<TfrmOptsv*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (!prefix.isEmpty())
                dialog->findChild<QLineEdit*>("edtAutoFile")->setText(prefix);
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
    };
    answer("butCancel", QStringLiteral("changed"));
    EXPECT_FALSE(EditSaveSettings(nullptr, values, {}));
    EXPECT_TRUE(sameValues(values, storedValues()));
    answer("butOK", QStringLiteral("changed"));
    EXPECT_TRUE(EditSaveSettings(nullptr, values, {}));
    EXPECT_EQ(values.autoSave.file, "changed");
}

#include "output/PictureFile.h"
#include "output/PictureFileCommands.h"
#include "output/PictureFileDialog.h"
#include "output/SaveAsLogic.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vistrel;

namespace {

// Answers the dialogs from a script and records what they were opened with.
class ScriptedPrompts : public PictureFilePrompts {
public:
    std::optional<FileDialogChoice> answer;
    bool overwrite = true;
    FileDialogRequest lastRequest;
    QStringList questions;
    int busyOn = 0, busyOff = 0;

    std::optional<FileDialogChoice> askSavePath(const FileDialogRequest& request) override
    {
        lastRequest = request;
        return answer;
    }
    std::optional<FileDialogChoice> askOpenPath(const FileDialogRequest& request) override
    {
        lastRequest = request;
        return answer;
    }
    bool askYesNo(const QString& text) override
    {
        questions << text;
        return overwrite;
    }
    void setBusy(bool busy) override { ++(busy ? busyOn : busyOff); }
};

QImage smallPicture()
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 60));
    return image;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveAs : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    PictureFileSettings settings;

    bool save(int family, const QString& name, int entry)
    {
        prompts.answer = FileDialogChoice{dir.filePath(name), entry};
        return ExecuteSaveAs(family, smallPicture(), settings, {}, "/opt/vistrel/", prompts);
    }
};

} // namespace

TEST_F(SaveAs, JpegFamilyOpensOnJpegAndDoesNotRememberItsChoice)
{
    settings.asSaveType = 7;
    ASSERT_TRUE(save(SaveAsLogic::Jpeg, "a.bmp", 3));
    EXPECT_EQ(prompts.lastRequest.filterIndex, 9);
    EXPECT_EQ(prompts.lastRequest.folder, "/opt/vistrel");
    EXPECT_EQ(prompts.lastRequest.filterLabels, SaveAsLogic::saveFilterLabels());
    const QByteArray bytes = contents(dir.filePath("a.bmp"));
    ASSERT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(uchar(bytes[28]), 4); // the selected 16-colour entry wins
    EXPECT_EQ(settings.asSaveType, 7);
    EXPECT_EQ(settings.curDir, dir.path());
    EXPECT_EQ(prompts.busyOn, 1);
    EXPECT_EQ(prompts.busyOff, 1);
}

TEST_F(SaveAs, BitmapFamilyRemembersAnyEntry)
{
    settings.asSaveType = 1;
    ASSERT_TRUE(save(SaveAsLogic::Bitmap, "b.bmp", 10));
    EXPECT_TRUE(contents(dir.filePath("b.bmp")).startsWith("\x89PNG")); // PNG data, name kept
    EXPECT_EQ(settings.asSaveType, 10);
    ASSERT_TRUE(save(SaveAsLogic::Bitmap, "c.bmp", 12));
    EXPECT_EQ(prompts.lastRequest.filterIndex, 10);
    EXPECT_EQ(prompts.lastRequest.folder, dir.path());
    EXPECT_TRUE(contents(dir.filePath("c.bmp")).startsWith("BM"));
    EXPECT_EQ(settings.asSaveType, 12);
}

// Saving over a file leaves no sibling behind, and a killed run's old partial file in
// that folder is swept up.
TEST_F(SaveAs, OverwriteLeavesNoSiblingAndSweepsOldPartialFiles)
{
    const QString stale = dir.filePath(".vistrel-Zz9Yy8.part");
    QFile half(stale);
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.close();
    ASSERT_TRUE(half.open(QIODevice::ReadWrite));
    ASSERT_TRUE(half.setFileTime(QDateTime::currentDateTime().addSecs(-300),
                                 QFileDevice::FileModificationTime));
    half.close();
    ASSERT_TRUE(save(SaveAsLogic::Bitmap, "pic.bmp", 1));
    prompts.overwrite = true;
    ASSERT_TRUE(save(SaveAsLogic::Bitmap, "pic.bmp", 1));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"pic.bmp"});
}

TEST_F(SaveAs, DeclinedOverwriteAndCancelWriteNothing)
{
    const QString path = dir.filePath("keep.bmp");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    prompts.overwrite = false;
    EXPECT_FALSE(save(SaveAsLogic::Bitmap, "keep.bmp", 4));
    EXPECT_EQ(prompts.questions,
              QStringList{path + "\rこのﾌｧｲﾙは既に存在します。\r\r上書きしますか？"});
    EXPECT_EQ(contents(path), QByteArray("old"));
    EXPECT_EQ(settings.asSaveType, 1);
    EXPECT_TRUE(settings.curDir.isEmpty());

    prompts.answer.reset();
    EXPECT_FALSE(ExecuteSaveAs(1, smallPicture(), settings, {}, "/opt", prompts));
    EXPECT_EQ(prompts.busyOn, 0);
}

TEST_F(SaveAs, FailedWriteRestoresTheCursorAndReportsTheError)
{
    prompts.answer = FileDialogChoice{dir.filePath("missing/folder/x.bmp"), 1};
    EXPECT_THROW(ExecuteSaveAs(1, smallPicture(), settings, {}, "/opt", prompts),
                 std::runtime_error);
    EXPECT_EQ(prompts.busyOn, 1);
    EXPECT_EQ(prompts.busyOff, 1);
}

TEST_F(SaveAs, OpenRemembersTheFolderAndSkipsOtherExtensions)
{
    savePictureFile(smallPicture(), 10, dir.filePath("p.png"));
    savePictureFile(smallPicture(), 10, dir.filePath("p.tif"));
    prompts.answer = FileDialogChoice{dir.filePath("p.tif"), 1};
    EXPECT_TRUE(OpenPictureFile(settings, "/opt", prompts).isNull());
    EXPECT_EQ(settings.curDir, dir.path());
    EXPECT_EQ(prompts.lastRequest.filterLabels.size(), 5);
    EXPECT_EQ(prompts.lastRequest.filterLabels[1], "ビットマップ (*.bmp)");
    prompts.answer = FileDialogChoice{dir.filePath("p.png"), 4};
    EXPECT_EQ(OpenPictureFile(settings, "/opt", prompts), smallPicture());
}

TEST(PictureFileDialogTest, ShowsTheLabelsExactlyAndFollowsTheEntryWithTheSuffix)
{
    FileDialogRequest request;
    request.filterLabels = SaveAsLogic::saveFilterLabels();
    for (int type = 1; type <= 12; ++type)
        request.filterPatterns << SaveAsLogic::saveFilterPatterns(type);
    request.filterIndex = 9;
    request.folder = QDir::tempPath();
    const auto dialog = PictureFileDialog::create(nullptr, request, true);
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(combo->itemText(i), request.filterLabels[i]);
    EXPECT_EQ(PictureFileDialog::selectedEntry(*dialog), 9);
    EXPECT_EQ(dialog->defaultSuffix(), "jpg");
    combo->setCurrentIndex(2);
    EXPECT_EQ(PictureFileDialog::selectedEntry(*dialog), 3);
    EXPECT_EQ(dialog->defaultSuffix(), "bmp");
}

TEST(SaveAsFirstFolder, ContinuousSaveFolderElsePicturesElseHome)
{
    const QTemporaryDir autoSave;
    EXPECT_EQ(SaveAsLogic::firstFolder(autoSave.path()), autoSave.path());
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString expected = QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    EXPECT_EQ(SaveAsLogic::firstFolder(autoSave.path() + QStringLiteral("/gone")), expected);
    EXPECT_EQ(SaveAsLogic::firstFolder(QString()), expected);
}

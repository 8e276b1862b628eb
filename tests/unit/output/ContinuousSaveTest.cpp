#include "FileSizeLimit.h"

#include "output/ContinuousSave.h"
#include "output/PictureFile.h"
#include "platform/FileWriting.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace vistrel;

namespace {

const QDateTime Fixed(QDate(2024, 1, 5), QTime(23, 59, 58));

QImage picture()
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 120, 200));
    return image;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class ContinuousSaving : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ContinuousSaveSettings settings;
    int counter = 1;
    QStringList messages;

    void SetUp() override
    {
        settings.dir = dir.path();
        settings.file = QStringLiteral("Vist");
        MessageBox::setHandler([this](const QString&, const QString& text) { messages << text; });
    }
    void TearDown() override { MessageBox::setHandler({}); }

    QString saveWith(const ContinuousSave& saver)
    {
        const auto name = saver.save(picture(), settings, counter, {});
        return name ? *name : QStringLiteral("<none>");
    }
    QString save()
    {
        return saveWith(ContinuousSave([] { return Fixed; }));
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

struct NamingCase {
    const char* what;
    const char* prefix;
    const char* suffix;
    int digits;
    int saveType;
    int counter;
    const char* expected;
};

class Naming : public ContinuousSaving, public ::testing::WithParamInterface<NamingCase> {};

} // namespace

TEST_P(Naming, BuildsPrefixNumberSuffixAndExtension)
{
    const NamingCase& c = GetParam();
    settings.file = QString::fromUtf8(c.prefix);
    settings.fileAfter = QString::fromUtf8(c.suffix);
    settings.digits = c.digits;
    settings.saveType = c.saveType;
    counter = c.counter;
    EXPECT_EQ(save(), QString::fromUtf8(c.expected));
    EXPECT_EQ(files(), QStringList{QString::fromUtf8(c.expected)});
    EXPECT_EQ(counter, c.counter + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Naming,
    ::testing::Values(NamingCase{"defaults", "Vist", "", 3, 1, 1, "Vist001.bmp"},
                      NamingCase{"no digits", "Vist", "", 1, 1, 2, "Vist2.bmp"},
                      NamingCase{"hundredth with two", "Vist", "", 2, 1, 100, "Vist100.bmp"},
                      NamingCase{"four digits", "Vist", "", 4, 1, 12, "Vist0012.bmp"},
                      NamingCase{"date prefix", "shot_<$Y><$M><$D>_", "", 3, 1, 1,
                                 "shot_20240105_001.bmp"},
                      NamingCase{"time suffix", "", "_<$H><$N><$S>", 3, 1, 1, "001_235958.bmp"},
                      NamingCase{"jpeg", "Vist", "", 3, 9, 1, "Vist001.jpg"},
                      NamingCase{"png", "Vist", "", 3, 10, 1, "Vist001.png"},
                      NamingCase{"gif", "Vist", "", 3, 11, 1, "Vist001.gif"},
                      NamingCase{"all files", "Vist", "", 3, 12, 1, "Vist001.bmp"},
                      NamingCase{"out of range", "Vist", "", 3, 40, 1, "Vist001.bmp"}),
    [](const auto& param) {
        std::string name = param.param.what;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST_F(ContinuousSaving, NumbersOnAndSkipsExistingFilesAfterARestart)
{
    EXPECT_EQ(save(), "Vist001.bmp");
    EXPECT_EQ(save(), "Vist002.bmp");
    EXPECT_EQ(save(), "Vist003.bmp");
    counter = 1; // a new run
    EXPECT_EQ(save(), "Vist004.bmp");
    EXPECT_EQ(counter, 5);
    const QImage written(dir.filePath("Vist004.bmp"));
    EXPECT_EQ(written.size(), picture().size());
    EXPECT_EQ(written.pixel(0, 0), picture().pixel(0, 0));
}

TEST_F(ContinuousSaving, TypeDecidesTheContent)
{
    settings.saveType = 9;
    EXPECT_EQ(save(), "Vist001.jpg");
    EXPECT_TRUE(contents(dir.filePath("Vist001.jpg")).startsWith("\xFF\xD8"));
    settings.saveType = 12;
    EXPECT_EQ(save(), "Vist002.bmp");
    EXPECT_TRUE(contents(dir.filePath("Vist002.bmp")).startsWith("BM"));
}

TEST_F(ContinuousSaving, FolderWithTrailingSeparatorGetsNoSecond)
{
    QStringList paths;
    settings.dir = dir.path() + QLatin1Char('/');
    settings.overwrite = true;
    const ContinuousSave saver(
        [] { return Fixed; },
        [&](const QImage& image, int type, const QString& path, const PictureSaveOptions& options) {
            paths << path;
            savePictureFile(image, type, path, options);
        });
    EXPECT_EQ(saveWith(saver), "Vist001.bmp");
    ASSERT_EQ(paths.size(), 1);
    EXPECT_TRUE(paths[0].startsWith(dir.path() + QStringLiteral("/."))) << paths[0].toStdString();
    EXPECT_FALSE(paths[0].contains(QStringLiteral("//"))) << paths[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Vist001.bmp")));
}

TEST_F(ContinuousSaving, OverwriteReplacesWithoutSearching)
{
    putFile(dir.filePath("Vist001.bmp"), "old");
    settings.overwrite = true;
    EXPECT_EQ(save(), "Vist001.bmp");
    EXPECT_TRUE(contents(dir.filePath("Vist001.bmp")).startsWith("BM"));
    EXPECT_EQ(counter, 2);
}

// Another program takes the chosen names between the search and the write: the save must
// move on instead of replacing their files.
// In a shared folder another user may leave a link under the next name, aimed at one of our
// files: the link goes, its target stays untouched.
TEST_F(ContinuousSaving, OverwriteReplacesALinkNeverItsTarget)
{
    QTemporaryDir elsewhere;
    const QString precious = elsewhere.filePath("precious");
    putFile(precious, "mine");
    ASSERT_TRUE(QFile::link(precious, dir.filePath("Vist001.bmp")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("nowhere"), dir.filePath("Vist002.bmp")));
    settings.overwrite = true;
    EXPECT_EQ(save(), "Vist001.bmp");
    EXPECT_EQ(save(), "Vist002.bmp");
    EXPECT_EQ(contents(precious), "mine");
    EXPECT_FALSE(QFileInfo::exists(elsewhere.filePath("nowhere")));
    for (const char* name : {"Vist001.bmp", "Vist002.bmp"}) {
        EXPECT_FALSE(QFileInfo(dir.filePath(name)).isSymLink()) << name;
        EXPECT_TRUE(contents(dir.filePath(name)).startsWith("BM")) << name;
    }
    EXPECT_EQ(files().size(), 2) << files().join(u' ').toStdString(); // no partial file left
}

TEST_F(ContinuousSaving, NameTakenAfterTheSearchIsNeverReplaced)
{
    putFile(dir.filePath("Vist001.bmp"), "first");
    const ContinuousSave saver(
        [] { return Fixed; },
        [&](const QImage& image, int type, const QString& path, const PictureSaveOptions& options) {
            putFile(dir.filePath("Vist002.bmp"), "rival 2");
            putFile(dir.filePath("Vist003.bmp"), "rival 3");
            savePictureFile(image, type, path, options);
        });
    EXPECT_EQ(saveWith(saver), "Vist004.bmp");
    EXPECT_EQ(counter, 5);
    EXPECT_EQ(contents(dir.filePath("Vist001.bmp")), "first");
    EXPECT_EQ(contents(dir.filePath("Vist002.bmp")), "rival 2");
    EXPECT_EQ(contents(dir.filePath("Vist003.bmp")), "rival 3");
    EXPECT_TRUE(contents(dir.filePath("Vist004.bmp")).startsWith("BM"));
    EXPECT_EQ(files().size(), 4) << files().join(u' ').toStdString(); // no partial file left
}

TEST_F(ContinuousSaving, DanglingLinkCountsAsTaken)
{
    ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("Vist001.bmp")));
    EXPECT_EQ(save(), "Vist002.bmp");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("nowhere")));
}

TEST_F(ContinuousSaving, AnnouncesTheFolderOnceTheFileHasItsName)
{
    QStringList announced;
    QStringList present;
    const auto connection =
        QObject::connect(&PictureFileEvents::instance(), &PictureFileEvents::pictureFileWritten,
                         [&](const QString& folder) {
                             announced << folder;
                             present = files();
                         });
    save();
    QObject::disconnect(connection);
    EXPECT_EQ(announced, QStringList{dir.path()});
    EXPECT_EQ(present, QStringList{"Vist001.bmp"});
}

TEST_F(ContinuousSaving, MissingFolderShowsTheMessageAndWritesNothing)
{
    settings.dir = dir.filePath("gone");
    counter = 7;
    EXPECT_EQ(save(), "<none>");
    EXPECT_EQ(messages, QStringList{"連続保存を行う格納先フォルダが見つかりません。"});
    EXPECT_EQ(counter, 7);
    putFile(dir.filePath("plain"), "x"); // a file is not a folder either
    settings.dir = dir.filePath("plain");
    EXPECT_EQ(save(), "<none>");
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(ContinuousSaving, FailedWriteKeepsTheCounterAndNamesTheTarget)
{
    counter = 3;
    const ContinuousSave saver(
        [] { return Fixed; },
        [](const QImage&, int, const QString& path, const PictureSaveOptions&) {
            throw std::runtime_error((path + QStringLiteral(" に書き込めません")).toStdString());
        });
    try {
        saver.save(picture(), settings, counter, {});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  dir.filePath("Vist003.bmp") + QStringLiteral(" に書き込めません"));
    }
    EXPECT_EQ(counter, 3);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(ContinuousSaving, FullDiskFailsWithTheNameAndLeavesNothing)
{
    putFile(dir.filePath("Vist001.bmp"), "kept");
    QImage large(200, 200, QImage::Format_RGB32);
    large.fill(Qt::white);
    try {
        const FileSizeLimit limit(1000);
        ContinuousSave([] { return Fixed; }).save(large, settings, counter, {});
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(dir.filePath("Vist002.bmp")))
            << error.what();
    }
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(files(), QStringList{"Vist001.bmp"});
    EXPECT_EQ(contents(dir.filePath("Vist001.bmp")), "kept");
}

TEST_F(ContinuousSaving, ANameReachingOutsideTheFolderIsRefusedHoweverItWasSet)
{
    QDir(dir.path()).mkpath(QStringLiteral("inside"));
    settings.dir = dir.filePath("inside");
    for (const char* prefix : {"../escaped", "sub/name"}) {
        settings.file = QString::fromUtf8(prefix);
        EXPECT_EQ(save(), "<none>") << prefix;
    }
    settings.file = QStringLiteral("Vist");
    settings.fileAfter = QStringLiteral("/../../x");
    EXPECT_EQ(save(), "<none>");
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[0].startsWith(u"連続保存－ファイル名[前]に不正な文字があります。"));
    EXPECT_TRUE(messages[2].startsWith(u"連続保存－ファイル名[後]に不正な文字があります。"));
    EXPECT_TRUE(QDir(settings.dir).isEmpty()) << "nothing written";
    EXPECT_EQ(files(), QStringList{}) << "nothing written beside it";
    EXPECT_EQ(counter, 1);
}

// A save sweeps up this user's partial files that a killed run left (older than a
// minute, in the one partial name pattern) and touches nothing else; its own partial
// file follows the same pattern.
TEST_F(ContinuousSaving, LeftoverPartialFilesOfAKilledRunAreSweptAndNothingElse)
{
    const auto age = [&](const char* name) {
        const struct utimbuf old {
            std::time(nullptr) - 120, std::time(nullptr) - 120
        };
        ASSERT_EQ(::utime(QFile::encodeName(dir.filePath(name)).constData(), &old), 0);
    };
    for (const char* stale : {".vistrel-0123456789abcdef.part", ".vistrel-Ab12Cd.part"}) {
        putFile(dir.filePath(stale), "half");
        age(stale);
    }
    putFile(dir.filePath(".vistrel-Fresh1.part"), "in progress elsewhere");
    for (const char* other :
         {".vistrel-notes.txt", "mine.part", ".vistrel-x.part", "Vist.bmp.Ab12Cd"}) {
        putFile(dir.filePath(other), "keep");
        age(other);
    }
    putFile(dir.filePath(".vistrel-Other1.part"), "another user's");
    age(".vistrel-Other1.part");
    const bool root = ::getuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(dir.filePath(".vistrel-Other1.part")).constData(),
                          65534, 65534),
                  0);
    }

    QString partial;
    const ContinuousSave saver(
        [] { return Fixed; },
        [&](const QImage& image, int type, const QString& path, const PictureSaveOptions& options) {
            partial = QFileInfo(path).fileName();
            savePictureFile(image, type, path, options);
        });
    EXPECT_EQ(saveWith(saver), "Vist001.bmp");
    EXPECT_TRUE(isPartialFileName(partial)) << partial.toStdString();
    QStringList left = files();
    left.sort();
    QStringList wanted{".vistrel-Fresh1.part", ".vistrel-notes.txt", ".vistrel-x.part",
                       "Vist.bmp.Ab12Cd",      "Vist001.bmp",        "mine.part"};
    if (root)
        wanted << ".vistrel-Other1.part";
    wanted.sort();
    EXPECT_EQ(left, wanted);
}

#include "edit/stamps/StampKernels.h"
#include "edit/stamps/IconFileList.h"
#include "platform/StandardCursors.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 3, y * 5, 90));
    return image;
}

QByteArray singleIcon(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return buffer.data();
}

// An icon file holding the given single-image files' images, in that order.
QByteArray iconFile(const QList<QByteArray>& singles)
{
    QByteArray header(6, '\0');
    qToLittleEndian<quint16>(1, header.data() + 2);
    qToLittleEndian<quint16>(quint16(singles.size()), header.data() + 4);
    QByteArray entries;
    QByteArray images;
    quint32 offset = quint32(6 + 16 * singles.size());
    for (const QByteArray& single : singles) {
        QByteArray entry = single.mid(6, 16);
        const QByteArray data = single.mid(qFromLittleEndian<quint32>(single.constData() + 18));
        qToLittleEndian<quint32>(offset + quint32(images.size()), entry.data() + 12);
        entries += entry;
        images += data;
    }
    return header + entries + images;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

} // namespace

TEST(StampKernels, ArrowChangesOnlyThePixelsItCoversAndIsClippedAtTheEdge)
{
    const QImage arrow = BuiltInCursorImage(StandardCursor::Arrow);
    const QImage before = pattern(60, 50);
    QImage picture = before;
    DrawCursorImage({10, 10}, picture, arrow);
    int changed = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QPoint inCursor(x - 10, y - 10);
            const bool covered =
                arrow.rect().contains(inCursor) && qAlpha(arrow.pixel(inCursor)) != 0;
            if (!covered) {
                ASSERT_EQ(picture.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            } else if (qAlpha(arrow.pixel(inCursor)) == 255) {
                ASSERT_EQ(picture.pixel(x, y), arrow.pixel(inCursor)) << x << "," << y;
            }
            changed += picture.pixel(x, y) != before.pixel(x, y);
        }
    }
    EXPECT_GT(changed, 40);

    // Released past the right edge: the stamp point stays on the picture and the rest is cut.
    const QPoint at = StampPoint({75, 3}, picture.size());
    EXPECT_EQ(at, QPoint(60, 3));
    EXPECT_EQ(StampPoint({-4, 70}, picture.size()), QPoint(0, 50));
    EXPECT_EQ(StampPreviewBox({55, 3}), QRect(55, 3, 32, 32));
    QImage edge = before;
    DrawCursorImage({55, 3}, edge, arrow);
    EXPECT_EQ(edge.size(), before.size());
    EXPECT_EQ(edge.copy(0, 0, 55, 50), before.copy(0, 0, 55, 50));
    EXPECT_EQ(edge.pixel(57, 8), arrow.pixel(2, 5));
}

TEST(StampKernels, StampFilesAreReadByTheirUpperCasedExtension)
{
    QTemporaryDir dir;
    const QByteArray multi =
        iconFile({singleIcon({16, 16}, Qt::red), singleIcon({32, 32}, Qt::blue),
                  singleIcon({48, 48}, Qt::green)});
    const QImage chosen = LoadStampFile(write(dir, QStringLiteral("three.ico"), multi));
    ASSERT_EQ(chosen.size(), QSize(32, 32));
    EXPECT_EQ(chosen.pixel(5, 5), qRgb(0, 0, 255));

    // Without a 32 x 32 image the largest is taken.
    const QByteArray noExact =
        iconFile({singleIcon({16, 16}, Qt::red), singleIcon({24, 24}, Qt::blue)});
    EXPECT_EQ(LoadStampFile(write(dir, QStringLiteral("two.ICO"), noExact)).size(), QSize(24, 24));

    // A cursor file (type 2) under a mixed-case extension.
    QByteArray cursor = singleIcon({32, 32}, Qt::blue);
    qToLittleEndian<quint16>(2, cursor.data() + 2);
    EXPECT_FALSE(LoadStampFile(write(dir, QStringLiteral("pointer.Cur"), cursor)).isNull());

    // Another extension loads nothing, even with icon bytes; a broken icon loads nothing.
    EXPECT_TRUE(LoadStampFile(write(dir, QStringLiteral("icon.png"), multi)).isNull());
    EXPECT_TRUE(LoadStampFile(write(dir, QStringLiteral("broken.ico"), multi.left(30))).isNull());
    EXPECT_TRUE(LoadStampFile(dir.filePath(QStringLiteral("missing.ico"))).isNull());
}

TEST(IconFileList, RegistrationRulesAndSlots)
{
    QStringList list;
    for (int index = 0; index < 19; ++index)
        list << QStringLiteral("/icons/%1.ico").arg(index);
    EXPECT_EQ(IconAdditionRefusal(list, QStringLiteral("/icons/new.cur")), QString());
    EXPECT_EQ(IconAdditionRefusal(list, QStringLiteral("/icons/3.ico")),
              QStringLiteral("指定したファイルは既に登録されています。"));
    EXPECT_EQ(IconAdditionRefusal(list, QStringLiteral("/ICONS/3.ico")), QString());
    EXPECT_EQ(IconAdditionRefusal(list, QStringLiteral("/icons/picture.png")),
              QStringLiteral("登録できるファイルはアイコン・カーソルファイルのみに限ります。"));
    list << QStringLiteral("/icons/19.ico");
    EXPECT_EQ(IconAdditionRefusal(list, QStringLiteral("/icons/new.ico")),
              QStringLiteral("これ以上埋め込みアイコンを追加できません。"));

    IconFileSlots slots;
    slots[2] = QStringLiteral("/a.ico");
    slots[20] = QStringLiteral("/b.cur");
    EXPECT_EQ(IconListFromSlots(slots), (QStringList{"/a.ico", "/b.cur"}));
    StoreIconList({"/b.cur", "/a.ico"}, slots);
    EXPECT_EQ(slots[0], "/b.cur");
    EXPECT_EQ(slots[1], "/a.ico");
    EXPECT_TRUE(slots[2].isEmpty());
    EXPECT_TRUE(slots[20].isEmpty());

    QTemporaryDir program;
    EXPECT_NE(IconStartFolder(program.path(), program.path()), program.filePath("icons"));
    QDir(program.path()).mkdir(QStringLiteral("icons"));
    EXPECT_EQ(IconStartFolder(program.path(), program.path()), program.filePath("icons"));
}

#include "app/HelpPages.h"
#include "platform/HelpTopics.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

const QString ManualFolder = QStringLiteral(VISTREL_HELP_SOURCE);

QString pageText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool hasHeading(const QString& path, const QString& id)
{
    return id.isEmpty() || pageText(path).contains(QStringLiteral("id=\"%1\"").arg(id));
}

} // namespace

// Every Help button and the contents land on an existing page and heading of the manual.
TEST(HelpManual, EveryTopicLandsOnAnExistingHeading)
{
    QSet<int> numbers;
    for (const HelpTopic& topic : HelpTopicTable) {
        EXPECT_FALSE(numbers.contains(topic.number)) << topic.number << " is listed twice";
        numbers.insert(topic.number);
        const QUrl url = HelpPages::urlFor(topic.number, ManualFolder);
        ASSERT_TRUE(url.isLocalFile()) << topic.number;
        EXPECT_TRUE(QFile::exists(url.toLocalFile())) << url.toString().toStdString();
        EXPECT_TRUE(hasHeading(url.toLocalFile(), url.fragment())) << url.toString().toStdString();
    }
    EXPECT_EQ(HelpPages::urlFor(helptopic::ImageSize, QString()), QUrl()) << "no manual";
    EXPECT_NE(HelpPages::urlFor(helptopic::ImageSize, ManualFolder),
              HelpPages::urlFor(helptopic::ColourChange, ManualFolder));
}

// No page of the manual leads nowhere: every link, heading, picture and the stylesheet exist.
TEST(HelpManual, EveryLinkAndPictureOfEveryPageExists)
{
    const QRegularExpression reference(QStringLiteral(R"re((?:href|src)="([^"]+)")re"));
    const QStringList pages = QDir(ManualFolder).entryList({QStringLiteral("*.html")});
    ASSERT_GE(pages.size(), 20);
    for (const QString& name : pages) {
        const QString path = ManualFolder + u'/' + name;
        const QString text = pageText(path);
        EXPECT_TRUE(text.contains(QLatin1String("<title>"))) << name.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String("href=\"style.css\""))) << name.toStdString();
        EXPECT_FALSE(text.contains(QLatin1String("<script"))) << name.toStdString();
        for (auto match = reference.globalMatch(text); match.hasNext();) {
            const QUrl link(match.next().captured(1));
            if (!link.scheme().isEmpty())
                continue; // web addresses
            const QString target = link.path().isEmpty() ? path : ManualFolder + u'/' + link.path();
            EXPECT_TRUE(QFile::exists(target))
                << name.toStdString() << " -> " << link.toString().toStdString();
            EXPECT_TRUE(hasHeading(target, link.fragment()))
                << name.toStdString() << " -> " << link.toString().toStdString();
        }
    }
}

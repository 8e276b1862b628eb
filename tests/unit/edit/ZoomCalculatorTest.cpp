#include "edit/ZoomCalculator.h"
#include "edit/ViewZoom.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

struct EditCase {
    const char* name;
    QSize start;
    char field; // 'p', 'w' or 'h'
    const char* typed;
    ZoomFields expected;
};

std::optional<ZoomFields> Type(const ZoomCalculator& calculator, char field, const QString& text)
{
    switch (field) {
    case 'p':
        return calculator.percentChanged(text);
    case 'w':
        return calculator.widthChanged(text);
    default:
        return calculator.heightChanged(text);
    }
}

} // namespace

TEST(ZoomCalculator, TypingOneFieldRecomputesTheOthers)
{
    const EditCase cases[] = {
        // 50.5 -> 50 and 37.5 -> 38: ties go to the even neighbour
        {"half of 101x75", {101, 75}, 'p', "50", {"50", "50", "38"}},
        {"width doubles", {100, 50}, 'w', "200", {"200", "200", "100"}},
        {"width triples", {100, 50}, 'w', "300", {"300", "300", "150"}},
        {"a third", {3, 300}, 'w', "1", {"33.3333", "1", "100"}},
        // the height takes the unrounded percent: 300 * 200/3 / 100 = 200
        {"two thirds", {3, 300}, 'w', "2", {"66.6667", "2", "200"}},
        {"height", {80, 60}, 'h', "45", {"75", "60", "45"}},
        {"decimal percent", {1000, 10}, 'p', "12.5", {"12.5", "125", "1"}},
        // kept to 4 places: 33.33335 is stored as 33.3334 before multiplying
        {"percent beyond 4 places", {1000000, 3}, 'p', "33.33335", {"33.33335", "333334", "1"}},
        {"zero width", {10, 10}, 'w', "0", {"0", "0", "0"}},
    };
    for (const EditCase& c : cases) {
        const ZoomCalculator calculator(c.start);
        const std::optional<ZoomFields> fields =
            Type(calculator, c.field, QString::fromUtf8(c.typed));
        ASSERT_TRUE(fields.has_value()) << c.name;
        EXPECT_EQ(fields->percent, c.expected.percent) << c.name;
        EXPECT_EQ(fields->width, c.expected.width) << c.name;
        EXPECT_EQ(fields->height, c.expected.height) << c.name;
    }
}

TEST(ZoomCalculator, TextsThatAreNoNumberChangeNothing)
{
    const ZoomCalculator calculator({100, 50});
    for (const char* text : {"", ".5", "5.", "1.2.3", "-5", "abc", " 50", "５０"}) {
        EXPECT_FALSE(calculator.percentChanged(QString::fromUtf8(text))) << text;
    }
    for (const char* text : {"", "1.5", "12a", "+3"}) {
        EXPECT_FALSE(calculator.widthChanged(QString::fromUtf8(text))) << text;
        EXPECT_FALSE(calculator.heightChanged(QString::fromUtf8(text))) << text;
    }
    EXPECT_EQ(calculator.initialFields(), (ZoomFields{"100", "100", "50"}));
}

TEST(ZoomCalculator, ConfirmReportsTheFirstFaultInOrder)
{
    const ZoomCalculator calculator({100, 50});
    const struct {
        ZoomFields fields;
        const char* message;
    } cases[] = {
        {{"x", "y", "z"}, "パーセントに数値以外が入力されています。"},
        {{"300", "y", "z"}, "指定した値は有効範囲を超えています。（50%～200%）"},
        {{"49.9999", "50", "25"}, "指定した値は有効範囲を超えています。（50%～200%）"},
        {{"200", "2.5", "z"}, "幅に数値以外が入力されています。"},
        {{"50", "50", ""}, "高さに数値以外が入力されています。"},
    };
    for (const auto& c : cases) {
        const ZoomChoice choice = calculator.confirm(c.fields);
        EXPECT_FALSE(choice.accepted());
        EXPECT_EQ(choice.message, QString::fromUtf8(c.message)) << c.fields.percent.toStdString();
    }
    const ZoomChoice ok = calculator.confirm({"200", "200", "100"});
    EXPECT_TRUE(ok.accepted());
    EXPECT_EQ(ok.size, QSize(200, 100));
    EXPECT_TRUE(calculator.confirm({"50", "50", "25"}).accepted());
}

TEST(ZoomCalculator, PercentIsShownInShortestForm)
{
    EXPECT_EQ(ZoomCalculator::FormatPercent(50), "50");
    EXPECT_EQ(ZoomCalculator::FormatPercent(100.0 / 3), "33.3333");
    EXPECT_EQ(ZoomCalculator::FormatPercent(12.5), "12.5");
    // 100 / 128 = 0.78125: the tie at the fifth place goes to the even 0.7812
    EXPECT_EQ(ZoomCalculator::FormatPercent(100.0 / 128), "0.7812");
    EXPECT_EQ(ZoomCalculator::FormatPercent(199.99999), "200");
}

TEST(ViewZoom, StepsFromAnyFactorStopAtTheEndsAndFitKeepsThePictureInside)
{
    EXPECT_EQ(ViewZoom::step(1.0, 1), 2.0);
    EXPECT_EQ(ViewZoom::step(1.0, -1), 2.0 / 3);
    EXPECT_EQ(ViewZoom::step(0.7, 1), 1.0); // a fitted factor goes to the next step
    EXPECT_EQ(ViewZoom::step(0.7, -1), 2.0 / 3);
    EXPECT_EQ(ViewZoom::step(ViewZoom::Largest, 1), ViewZoom::Largest);
    EXPECT_EQ(ViewZoom::step(ViewZoom::Smallest, -1), ViewZoom::Smallest);
    EXPECT_EQ(ViewZoom::fitting({3, 2}, {800, 600}), ViewZoom::Largest); // a dot is magnified
    EXPECT_EQ(ViewZoom::fitting({3840, 2160}, {960, 600}), 0.25);
    EXPECT_EQ(ViewZoom::text(1.0 / 3), QStringLiteral("表示倍率 : 33.3%"));
    EXPECT_EQ(ViewZoom::text(4), QStringLiteral("表示倍率 : 400%"));
    // Picture pixel 3 at 4x covers view pixels 12..15 after the origin; at 1/2 two share one.
    EXPECT_EQ(ViewZoom::toPicture(QPointF(5 + 15.9, 5 + 12), QPoint(5, 5), 4), QPoint(3, 3));
    EXPECT_EQ(ViewZoom::toPicture(QPointF(5 + 1, 5), QPoint(5, 5), 0.5), QPoint(2, 0));
    EXPECT_EQ(ViewZoom::toView(QRect(3, 1, 2, 2), QPoint(5, 5), 4), QRect(17, 9, 8, 8));
}

#include "blend/CurveRules.h"

#include <gtest/gtest.h>
#include <string>

using namespace corvane;

TEST(CurveRules, ValuesAndPixelsRoundTripWithinOneUnitAtEveryValue) {
    for (double dpi : {96.0, 120.0, 144.0, 192.0}) {
        const PlotRect plot = ScaledPlot(dpi, dpi);
        for (int v = 0; v <= 255; ++v) {
            const CurvePoint back = PixelToValue(plot, ValueToPixel(plot, {v, v}));
            // Back at the value or one below it.
            EXPECT_TRUE(v - back.x == 0 || v - back.x == 1) << "dpi " << dpi << " x " << v;
            EXPECT_TRUE(v - back.y == 0 || v - back.y == 1) << "dpi " << dpi << " y " << v;
        }
    }
    // At 96 pixels per inch a horizontal value is a pixel: exact.
    for (int v = 0; v <= 255; ++v)
        EXPECT_EQ(PixelToValue(kPlotAt96, ValueToPixel(kPlotAt96, {v, 0})).x, v);
}

TEST(CurveRules, ThePlotMapsXRightwardsAndYUpwards) {
    EXPECT_EQ(ValueToPixel(kPlotAt96, {0, 0}), (PlotPixel{0, 210}));
    EXPECT_EQ(ValueToPixel(kPlotAt96, {255, 255}), (PlotPixel{255, 10}));
    EXPECT_EQ(ValueToPixel(kPlotAt96, {64, 192}), (PlotPixel{64, 210 - 200 * 192 / 255}));
    EXPECT_EQ(ScaledPlot(144, 192), (PlotRect{0, 20, 382, 420}));
}

TEST(CurveRules, PixelsOutsideThePlotGiveTheValueOfItsEdge) {
    EXPECT_EQ(PixelToValue(kPlotAt96, {-40, 500}), (CurvePoint{0, 0}));
    EXPECT_EQ(PixelToValue(kPlotAt96, {900, -100}), (CurvePoint{255, 255}));
    EXPECT_EQ(ClampIntoPlot(kPlotAt96, {300, 5}), (PlotPixel{255, 10}));
    // A plot without width or height divides by nothing.
    EXPECT_EQ(PixelToValue(PlotRect{5, 5, 5, 5}, {9, 9}), (CurvePoint{0, 0}));
}

TEST(CurveRules, PointsAreTheFourBytesOfTheirTable) {
    // Table t's point p is bytes 4 (t - 1) + 2 p and the one after, the last table included.
    for (int table = 1; table <= 4; ++table)
        for (int point = 0; point < 2; ++point) {
            SCOPED_TRACE(table * 10 + point);
            OutputInfo o;
            StoreTablePoint(o, table, point, {40, 200});
            const std::size_t b = static_cast<std::size_t>(4 * (table - 1) + 2 * point);
            EXPECT_EQ(o.curve[b], 40);
            EXPECT_EQ(o.curve[b + 1], 200);
            EXPECT_EQ(TablePoint(o, table, point), (CurvePoint{40, 200}));
        }
    OutputInfo o;
    StoreTablePoint(o, 1, 0, {300, -5});
    EXPECT_EQ(TablePoint(o, 1, 0), (CurvePoint{255, 0}));
    // A table number outside 1..4 stays inside the sixteen bytes.
    StoreTablePoint(o, 9, 1, {1, 2});
    EXPECT_EQ(TablePoint(o, 4, 1), (CurvePoint{1, 2}));
}

TEST(CurveRules, TypedCoordinates) {
    struct Case {
        std::u16string text;
        CurvePoint value;
    };
    const Case cases[] = {
        {u"300,-5", {255, 0}},
        {u"40\uFF0C200", {40, 200}},
        {u"12 34", {0, 0}}, // no comma
        {u"", {0, 0}},
        {u"12,34", {12, 34}},
        {u"  7 , 9 ", {7, 9}},
        {u"+8,+9", {8, 9}},
        {u",5", {0, 5}},
        {u"5,", {5, 0}},
        {u",", {0, 0}},
        {u",\uFF0C", {0, 0}},
        {u"1,2,3", {1, 2}},
        {u"12abc,3x", {12, 3}},
        {u"abc,def", {0, 0}},
        {u"--5,- 5", {0, 0}},
        {u"\u0661\u0662,\uFF13\uFF14", {0, 0}}, // digits of other scripts read nothing
        {u"99999999999999999999999999,-99999999999999999999999", {255, 0}},
        {u"\uFF0C7", {0, 7}},
        {u"3\uFF0C4,", {3, 0}}, // a ',' with text around it: the full-width comma is not looked for
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(ParseTypedPoint(c.text), c.value);
    }
    std::u16string huge(100000, u'9');
    huge += u",";
    huge += std::u16string(100000, u'-');
    EXPECT_EQ(ParseTypedPoint(huge), (CurvePoint{255, 0}));
}

TEST(CurveRules, TextsOfAPoint) {
    EXPECT_EQ(TypedPointText({12, 34}), "12,34");
    EXPECT_EQ(PointLabel({255, 0}), "(255,0)");
}

// The edge blend page and its curve editor with real mouse and key events and the real message
// dialog; the main window is played by the fake context, which records the frames sent. The
// zone rules and the frames are checked in the unit tables (BlendRulesTest, BlendFramesTest,
// CurveRulesTest), "Set Data" end to end; here each path from a control to the records and the
// processor, compared with the rule's or the builder's own result.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "blend/BlendFrames.h"
#include "blend/BlendRules.h"
#include "blend/CBezierDlg.h"
#include "blend/CFuseDlg.h"
#include "blend/CurveRules.h"
#include "device/ReplyCodes.h"
#include "platform/WindowMessages.h"
#include "widgets/CDropButton.h"
#include "widgets/CMyEdit.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CFuseDlg;

const QColor kOrangeText(239, 156, 0);

class BlendPageTest : public PageFixture<CFuseDlg> {
protected:
    BlendPageTest() : PageFixture(QSize(704, 470), true) {
        // Every output runs 1920 x 1080 (row 0).
        for (OutputInfo& o : state.outputs)
            o.resIndex = 0;
        state.resolutions[0].width = 1920;
        state.resolutions[0].height = 1080;
    }

    void OnCreated(CFuseDlg& page) override { context.windows[Window::FusePage] = &page; }

    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }
    oRealEdit* Box(int id) { return Control<oRealEdit>(id); }
    int Shown(int id) { return Box(id)->text().toInt(); }
    CBezierDlg& Editor() { return *PageUnderTest().Editor(); }
    BlendSide& SideOf(int output, int side) {
        return state.outputs[static_cast<std::size_t>(output)].blend[static_cast<std::size_t>(side)];
    }
    CurvePoint Point(int output, int table, int point) {
        return TablePoint(state.outputs[static_cast<std::size_t>(output)], table, point);
    }
    void SetPoint(int point, CurvePoint value) {
        StoreTablePoint(state.outputs[0], 1, point, value);
        Reply(kReplyCurve, 0);
    }
    QPoint PixelOf(CurvePoint value) {
        const PlotPixel p = ValueToPixel(Editor().Plot(), value);
        return {p.x, p.y};
    }
    void SwitchOn() {
        ASSERT_FALSE(PageUnderTest().SwitchOn());
        Click(Page::kSwitchId);
        ASSERT_TRUE(PageUnderTest().SwitchOn());
    }
    void Release(QPoint at) { QTest::mouseRelease(&Editor(), Qt::LeftButton, {}, at); }
    void DoubleClick(QPoint at) {
        QTest::mouseDClick(&Editor(), Qt::LeftButton, {}, at);
        Drain();
    }
    // Opens P`point`'s coordinate box with a double click on its label.
    CMyEdit* OpenBox(int point) {
        DoubleClick(Editor().LabelRect(point).center());
        EXPECT_TRUE(Editor().BoxOpen());
        return Editor().CoordinateBox();
    }
    void Leave() {
        Control<QWidget>(Page::kTablesId)->setFocus(Qt::MouseFocusReason);
        Drain();
    }
};

} // namespace

TEST_F(BlendPageTest, TheSwitchSendsTheSideAtOnceAndEnablesItsAxis) {
    Connect();
    Click(1451);
    Click(Page::kSideButtonFirst + kSideH2);
    EXPECT_TRUE(context.sent.empty()) << "choosing shows, it sends nothing";
    SwitchOn();
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(SideOf(1, kSideH2).enable, 1);
    EXPECT_EQ(context.sent[0], BuildBlendFrame(state, 1));
    EXPECT_FALSE(Box(Page::kVStartId)->isEnabled());
    EXPECT_TRUE(Editor().isEnabled());
    Click(Page::kSwitchId);
    EXPECT_EQ(SideOf(1, kSideH2).enable, 0);
    EXPECT_FALSE(Editor().isEnabled()); // with the side off the editor takes no mouse
}

TEST_F(BlendPageTest, TableChoicesChangeNothingWhileOffAndGoWithTheNextSideFrame) {
    Connect();
    SideOf(0, kSideH1).table = 2;
    Reply(kReplyBlend, 0);
    Click(Page::kTableChoiceFirst + 4);
    EXPECT_EQ(SideOf(0, kSideH1).table, 2) << "off: nothing changes";
    SwitchOn();
    context.sent.clear();
    Click(Page::kTableChoiceFirst + 4);
    EXPECT_EQ(SideOf(0, kSideH1).table, 4);
    EXPECT_TRUE(context.sent.empty());
    Click(Page::kDirectionFirstId);
    ASSERT_EQ(context.sent.size(), 1u);
    EXPECT_EQ(context.sent[0], BuildBlendFrame(state, 0));
    // The gamma picked is sent in tenths (the items: BlendRules.GammaListRunsFromOneToFiveInTenths).
    SendWindowMessage(&PageUnderTest(), WM_ITEM_PICKED, Page::kGammaListId, 40);
    EXPECT_EQ(SideOf(0, kSideH1).gamma, 50);
    EXPECT_EQ(context.sent.back(), BuildBlendFrame(state, 0));
}

TEST_F(BlendPageTest, TheRecordsOfTheOutputShownAreShownAlsoAfterAnotherOutputIsSelected) {
    // It opens on the first output's H1 with user table one.
    EXPECT_EQ(PageUnderTest().BlendSideShown(), kSideH1);
    EXPECT_EQ(Editor().ShownTable(), 1);
    EXPECT_EQ(Button(1450)->TextColour(), kOrangeText);
    SideOf(0, kSideH1) = BlendSide{1, 0, 30, 1, 40, 500};
    SideOf(2, kSideV1) = BlendSide{1, 1, 35, 3, 500, 300};
    Reply(kReplyBlend, 1);
    EXPECT_EQ(Shown(Page::kHStartId), 0) << "another output's record";
    Reply(kReplyBlend, 0);
    EXPECT_EQ(Shown(Page::kHSizeId), 500);
    EXPECT_TRUE(PageUnderTest().SwitchOn());
    // Another output keeps the side shown.
    Click(Page::kSideButtonFirst + kSideV1);
    EXPECT_EQ(Button(Page::kDirectionFirstId)->text(), "Top To Bottom");
    Click(1452);
    Page& page = PageUnderTest();
    EXPECT_EQ(Shown(Page::kVStartId), 500);
    EXPECT_EQ(Control<CDropButton>(Page::kGammaListId)->GetCurSel(), GammaItemFor(35));
    EXPECT_EQ(page.TableChoiceShown(), 3);
    EXPECT_EQ(Editor().ShownOutput(), 2) << "what the editor edits is what Set Data sends";
    EXPECT_TRUE(context.sent.empty());
    // A table button shows its table of that output.
    Click(Page::kTableButtonFirst + 3);
    EXPECT_EQ(Editor().ShownTable(), 4);
    StoreTablePoint(state.outputs[2], 4, 1, {40, 200});
    Reply(kReplyCurve, 2);
    EXPECT_EQ(Editor().PointPixel(1), PixelOf({40, 200}));
}

TEST_F(BlendPageTest, ZoneBoxesCommitTheRulesZoneAndSendIt) {
    Connect();
    SwitchOn();
    context.sent.clear();
    for (int box : {Page::kHStartId, Page::kHSizeId}) {
        SCOPED_TRACE(box);
        const BlendZone zone{SideOf(0, kSideH1).start, SideOf(0, kSideH1).size};
        const BlendZone want =
            box == Page::kHStartId ? CommitZoneStart(zone, 1700, 1920) : CommitZoneSize(zone, 400, 1920);
        TypeInto(Box(box), box == Page::kHStartId ? "1700" : "400");
        EXPECT_EQ((BlendZone{SideOf(0, kSideH1).start, SideOf(0, kSideH1).size}), want);
        EXPECT_EQ(std::make_pair(Shown(Page::kHStartId), Shown(Page::kHSizeId)),
                  (std::make_pair<int, int>(want.start, want.size)));
        EXPECT_EQ(context.sent.back(), BuildBlendFrame(state, 0));
    }
    // The vertical zone against the height, shown at the preview's bottom.
    Click(Page::kSideButtonFirst + kSideV2);
    Click(Page::kSwitchId);
    TypeInto(Box(Page::kVStartId), "1000");
    EXPECT_EQ(SideOf(0, kSideV2).start, 1080 - 256);
    EXPECT_EQ(PageUnderTest().PreviewZone().bottom(), PageUnderTest().PreviewArea().bottom());

    // The zone follows the size the output page picked, after its notice.
    OutputPick pick;
    pick.row = kCustomResolutionRow;
    pick.customWidth = 1280;
    pick.customHeight = 720;
    context.picks[0] = pick;
    Reply(0, 1);
    Click(Page::kSideButtonFirst + kSideH1);
    TypeInto(Box(Page::kHStartId), "1200");
    EXPECT_EQ(SideOf(0, kSideH1).start, 1280 - 256);
    const QRect area = PageUnderTest().PreviewArea();
    EXPECT_NEAR(static_cast<double>(area.width()) / area.height(), 1280.0 / 720, 0.02);
}

TEST_F(BlendPageTest, NothingIsSentToAProcessorThatIsNotSynchronised) {
    MessageBoxAnswerer answerer;
    state.linkState = kLinkOpen;
    Click(Page::kSwitchId);
    TypeInto(Box(Page::kHSizeId), "300");
    Click(Page::kSetDataId);
    EXPECT_TRUE(context.sent.empty());
    // The values still changed; Set Data said why nothing went.
    EXPECT_EQ(SideOf(0, kSideH1).size, 300);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(std::make_pair(answerer.boxes[0].title, answerer.boxes[0].message),
              std::make_pair(std::string("Edge Blend Settings"), std::string("Please open the serial!")));
}

// ---- the curve editor

TEST_F(BlendPageTest, DraggingAPointBeyondThePlotStopsAtItsEdgeAndDoubleClicksPlaceThePoints) {
    PageUnderTest();
    SwitchOn();
    CBezierDlg& editor = Editor();
    const PlotRect plot = editor.Plot();
    QTest::mousePress(&editor, Qt::LeftButton, {}, editor.PointPixel(0));
    Release(QPoint(plot.right + 90, -40));
    EXPECT_EQ(Point(0, 1, 0), (CurvePoint{255, 255}));
    EXPECT_EQ(editor.PointPixel(0), QPoint(plot.right, plot.top));
    // Double clicks place P1, then P2, at the values of their pixels.
    const QPoint spots[] = {{30, 190}, {230, 30}};
    for (int i = 0; i < 2; ++i) {
        DoubleClick(spots[i]);
        EXPECT_EQ(Point(0, 1, i), PixelToValue(plot, {spots[i].x(), spots[i].y()})) << i;
        EXPECT_EQ(editor.Selected(), i);
    }
    EXPECT_EQ(editor.NextPlaced(), 0);
    EXPECT_TRUE(context.sent.empty()) << "the editor sends nothing";
}

TEST_F(BlendPageTest, TheCoordinateBoxCommitsOnEnterAPressOrLostFocusAndEscKeepsTheOldValues) {
    Page& page = PageUnderTest();
    SwitchOn();
    SetPoint(1, {100, 100});
    CMyEdit* box = OpenBox(1);
    EXPECT_EQ(box->text(), "100,100");
    QTest::keyClicks(box, "1,2");
    QTest::keyClick(box, Qt::Key_Escape);
    Drain();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(Point(0, 1, 1), (CurvePoint{100, 100}));
    EXPECT_TRUE(page.isVisible()) << "Esc in the box does not close the page";
    // Enter commits through the typed-point rule.
    QTest::keyClicks(OpenBox(1), "40,300");
    QTest::keyClick(Editor().CoordinateBox(), Qt::Key_Return);
    Drain();
    EXPECT_EQ(Point(0, 1, 1), (CurvePoint{40, 255}));
    EXPECT_EQ(Editor().PointPixel(1), PixelOf({40, 255}));
    // The focus going to another control of the page.
    QTest::keyClicks(OpenBox(1), "7,8");
    Leave();
    EXPECT_FALSE(Editor().BoxOpen());
    EXPECT_EQ(Point(0, 1, 1), (CurvePoint{7, 8}));
}

TEST_F(BlendPageTest, AReportLeavesTheCoordinateBoxBeingTypedIntoUntilItsEditEnds) {
    PageUnderTest();
    SwitchOn();
    SetPoint(0, {10, 20});
    // Open, nothing typed: a report shows in the box at once.
    CMyEdit* box = OpenBox(0);
    SetPoint(0, {11, 21});
    EXPECT_EQ(box->text(), "11,21");
    // Typing stays over a report; Esc closes the box on the reported values.
    QTest::keyClicks(box, "1,2");
    SetPoint(0, {30, 40});
    EXPECT_EQ(box->text(), "1,2");
    QTest::keyClick(box, Qt::Key_Escape);
    Drain();
    EXPECT_EQ(Point(0, 1, 0), (CurvePoint{30, 40}));
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(BlendPageTest, RendersForTheGallery) {
    Connect();
    SideOf(1, kSideH2) = BlendSide{1, 1, 24, 2, 1500, 420};
    StoreTablePoint(state.outputs[1], 2, 0, {40, 200});
    StoreTablePoint(state.outputs[1], 2, 1, {180, 90});
    PageUnderTest();
    Click(1451);
    Click(Page::kSideButtonFirst + kSideH2);
    Click(Page::kTableButtonFirst + 1);
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "blend_page",
                     {{"", [this](bool zh) {
                           EXPECT_EQ(AccessibleName(&Editor()).toStdString(),
                                     zh ? "融合曲线" : "Blend Curve");
                       }}});
}
#endif

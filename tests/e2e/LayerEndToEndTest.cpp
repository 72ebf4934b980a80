// The road of one change: the operator drags a layer on the canvas, the processor is told,
// answers, and the canvas, the layer page and the layer switch show what it holds.

#include "AppHarness.h"
#include "ProcessorModel.h"
#include "layout/CLayerDlg.h"
#include "layout/CLayoutDlg.h"
#include "layout/CPictureCtrl.h"
#include "platform/WindowMessages.h"
#include "widgets/CGdipButton.h"
#include "widgets/ValueEdit.h"

#include <QDir>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

using namespace corvane;
using corvane::test::AppHarness;

namespace {

// The layer commands the simulated processor received, in order.
std::vector<Frame> LayerCommands(sim::Simulator& s) {
    std::vector<Frame> frames;
    s.Inspect([&](const sim::ProcessorModel& m) {
        for (const Frame& f : m.ReceivedCommands())
            if (FrameCode(f.data()) == kCmdLayer)
                frames.push_back(f);
    });
    return frames;
}

LayerInfo SimLayer(sim::Simulator& s, int layer) {
    LayerInfo l;
    s.Inspect([&](const sim::ProcessorModel& m) { l = m.State().layers[static_cast<std::size_t>(layer)]; });
    return l;
}

QPoint Centre(const CCell* c) {
    return {(c->rect.left + c->rect.right) / 2, (c->rect.top + c->rect.bottom) / 2};
}

void DragBy(CPictureCtrl* canvas, QPoint from, QPoint by) {
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(canvas, from + by / 2);
    QTest::mouseMove(canvas, from + by);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, from + by);
}

} // namespace

// Layer 2 switched on and dragged: one command reaches the processor, and its answer is shown.
// Ctrl+Z puts the processor's layer back where it was, Ctrl+Y forward again; "Clear all
// layers" is one step, undone with the switches and cells on again. (Without a synchronised
// processor nothing is sent: LayoutPage.ADragWithoutAProcessorIsKeptAndNotSent.)
TEST(Layers, ADraggedLayerReachesTheProcessorAndCtrlZPutsItBack) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
    CMainDlg& main = h.Main();
    CLayoutDlg* layout = main.LayoutPage();
    // The keys as the operator presses them, in the active main window.
    const auto press = [&](Qt::Key key) {
        main.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
        QTest::keyClick(&main, key, Qt::ControlModifier);
    };
    // Layer 2 is off on a processor fresh from the factory; the operator switches it on.
    ASSERT_TRUE(layout->LayerCell(1)->Hidden());
    QTest::mouseClick(main.LayerSwitch(1), Qt::LeftButton);
    ASSERT_TRUE(h.WaitFor([&] { return SimLayer(s, 1).visible == 1; }, 3000));
    EXPECT_FALSE(layout->LayerCell(1)->Hidden());
    const std::size_t before = LayerCommands(s).size();

    const CCell* cell = layout->LayerCell(1);
    const Rect start = cell->devRect;
    DragBy(layout->Canvas(), Centre(cell), QPoint(40, 25));
    ASSERT_TRUE(h.WaitFor([&] { return static_cast<int>(SimLayer(s, 1).x) == start.left + 240; }, 3000));
    ASSERT_TRUE(h.WaitFor([&] { return h.App().state.layers[1].x == SimLayer(s, 1).x; }, 3000))
        << "the processor's answer is in before the undo";
    QTest::qWait(300); // nothing more follows
    ASSERT_EQ(LayerCommands(s).size(), before + 1) << "one command for one drag";
    EXPECT_EQ(SimLayer(s, 1).y, h.App().state.layers[1].y);
    EXPECT_EQ(cell->devRect.top, start.top + 150) << "the processor's answer is shown";

    press(Qt::Key_Z);
    ASSERT_TRUE(h.WaitFor([&] { return static_cast<int>(SimLayer(s, 1).x) == start.left; }, 3000))
        << "the processor's layer is back where it was";
    EXPECT_EQ(static_cast<int>(SimLayer(s, 1).y), start.top);
    EXPECT_TRUE(h.WaitFor([&] { return cell->devRect == start; }, 3000)) << "and the canvas shows it";
    EXPECT_EQ(SimLayer(s, 1).visible, 1) << "the switch was an earlier step";

    press(Qt::Key_Y);
    ASSERT_TRUE(h.WaitFor([&] { return static_cast<int>(SimLayer(s, 1).x) == start.left + 240; }, 3000));
    EXPECT_TRUE(h.WaitFor([&] { return cell->devRect.left == start.left + 240; }, 3000));

    // Clear all layers, then Ctrl+Z: layers 1 and 2 are shown again.
    ASSERT_TRUE(h.WaitFor([&] { return h.App().state.layers[1].x == SimLayer(s, 1).x; }, 3000));
    QTest::mouseClick(main.Control<CGdipButton>(1033), Qt::LeftButton);
    ASSERT_TRUE(h.WaitFor([&] { return SimLayer(s, 0).visible == 0 && SimLayer(s, 1).visible == 0; }, 3000));
    ASSERT_TRUE(h.WaitFor([&] { return !main.LayerSwitch(0)->isChecked(); }, 3000));
    press(Qt::Key_Z);
    ASSERT_TRUE(h.WaitFor([&] { return SimLayer(s, 0).visible == 1 && SimLayer(s, 1).visible == 1; }, 3000));
    EXPECT_TRUE(h.WaitFor(
        [&] { return main.LayerSwitch(0)->isChecked() && main.LayerSwitch(1)->isChecked(); }, 3000));
    EXPECT_FALSE(layout->LayerCell(1)->Hidden());
    EXPECT_EQ(static_cast<int>(SimLayer(s, 1).x), start.left + 240) << "only the clearing was undone";
    EXPECT_TRUE(h.messages.empty());
}

// The main window with the layer page and with the output page, against a processor in the
// 2 x 2 arrangement of its first preset, for the gallery.
TEST(Layers, Gallery) {
    AppHarness h;
    sim::Simulator& s = h.AddSimulator(1, 921600);
    s.Execute("signal 1 on 1920 1080 600");
    h.StartApplication();
    ASSERT_TRUE(h.WaitFor([&] { return h.LinkState() == kLinkSynchronised; }, 12000));
    CMainDlg& main = h.Main();
    main.resize(1600, 900);
    SendWindowMessage(&main, WM_DEVICE_COMMAND, kCmdLoadPreset, 0);
    ASSERT_TRUE(h.WaitFor([&] { return h.App().state.layers[3].visible == 1; }, 3000));
    main.LayoutPage()->SelectLayerCell(1);
    const QDir dir(QStringLiteral(CORVANE_GALLERY_DIR));
    QDir().mkpath(dir.path());
    for (int pageIndex : {kLayer, kOutput}) {
        main.SelectPage(pageIndex, 0);
        QTest::qWait(100);
        QImage image(main.size(), QImage::Format_RGB32);
        main.render(&image);
        const QString name = pageIndex == kLayer ? QStringLiteral("main_layer_page.png")
                                                 : QStringLiteral("main_output_editing.png");
        EXPECT_TRUE(image.save(dir.filePath(name)));
    }
}

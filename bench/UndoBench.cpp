// The edit history's figures, offscreen, the application against the simulator over a
// pseudo-terminal at 921600 baud:
// - from Ctrl+Z pressed in the main window to the layer command handed to the port (the key
//   event, the shortcut, the history, the replay through the layout page, the send), and to
//   the processor having read it, over 200 undos of a layer's move;
// - the memory a full history of 100 steps holds (heap bytes in use, glibc's count), for steps
//   of one layer each and for steps of every slice at once (an arrangement or a preset file).
// Run: QT_QPA_PLATFORM=offscreen build/<preset>/bin/bench_undo

#include "AppHarness.h"
#include "BenchFigures.h"
#include "HarnessBench.h"
#include "ProcessorModel.h"
#include "RunEvents.h"
#include "device/EditRecorder.h"
#include "device/ReplyCodes.h"
#include "layout/CLayoutDlg.h"
#include "link/CommandCodes.h"
#include "platform/WindowMessages.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;
using bench::Ms;
using bench::Percentile;

namespace {

constexpr int kUndoRounds = 200;
constexpr int kAnswerTimeoutMs = 5000;

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// Heap bytes a history of EditHistory::kMaxSteps steps holds, each step sending `slices`.
std::size_t HistoryBytes(const std::vector<Frame>& frames) {
    DeviceState state;
    state.linkState = kLinkSynchronised;
    std::int64_t now = 0;
    EditRecorder recorder(state, [&now] { return now; });
    recorder.Synchronised();
    const std::size_t before = HeapInUse();
    for (std::size_t k = 0; k < EditHistory::kMaxSteps; ++k) {
        now += 10 * EditHistory::kCoalesceMs; // never merged
        recorder.BeginAction("step");
        for (std::size_t i = 0; i < 4; ++i) {
            state.layers[i].x = static_cast<std::uint32_t>(k + 1);
            state.outputs[i].canvasX = static_cast<std::uint32_t>(k + 1);
            state.picture[i].brightness = static_cast<std::uint8_t>(k + 1);
        }
        for (const Frame& f : frames)
            recorder.Sent(f.data(), f.size());
        recorder.EndAction();
    }
    const std::size_t after = HeapInUse();
    if (recorder.History().UndoCount() != EditHistory::kMaxSteps)
        std::fprintf(stderr, "history holds %zu steps\n", recorder.History().UndoCount());
    return after - before;
}

Frame Command(std::uint16_t code, int b6) {
    Frame f = StartFrame(code);
    f[6] = static_cast<std::uint8_t>(b6);
    SealFrame(f);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    test::AppHarness h;
    sim::Simulator* simulator = bench::StartSynchronised(h);
    if (simulator == nullptr)
        return 1;
    sim::Simulator& sim = *simulator;
    CMainDlg& main = h.Main();
    main.activateWindow();
    if (!QTest::qWaitForWindowActive(&main))
        std::fprintf(stderr, "the main window is not active: Ctrl+Z may not reach it\n");
    CLayoutDlg* layout = main.LayoutPage();
    DeviceState& state = h.App().state;
    EditRecorder& edits = *main.Services().Edits();
    const auto simX = [&] {
        std::uint32_t x = 0;
        sim.Inspect([&](const sim::ProcessorModel& m) { x = m.State().layers[0].x; });
        return x;
    };

    std::vector<double> toPort, toProcessor;
    for (int round = 0; round < kUndoRounds; ++round) {
        // A move of layer 1, as the layer page sends it, answered by the processor.
        const std::uint32_t from = state.layers[0].x;
        const std::uint32_t to = from == 100 ? 200 : 100;
        edits.History().Seal();
        state.layers[0].x = to;
        SendWindowMessage(layout, WM_DEVICE_REPLY, kReplyLayer, 0);
        SendWindowMessage(layout, WM_LAYOUT_COMMAND, 0, 0);
        if (!h.WaitFor([&] { return simX() == to && state.layers[0].x == to; }, kAnswerTimeoutMs)) {
            std::fprintf(stderr, "round %d: the move did not arrive\n", round);
            return 1;
        }
        h.WaitFor([] { return false; }, 5); // the processor's answer has been taken
        const Clock::time_point start = Clock::now();
        QTest::keyClick(&main, Qt::Key_Z, Qt::ControlModifier);
        const Clock::time_point handed = Clock::now();
        if (state.layers[0].x != from) {
            std::fprintf(stderr, "round %d: Ctrl+Z undid nothing\n", round);
            return 1;
        }
        if (!h.WaitFor([&] { return simX() == from; }, kAnswerTimeoutMs)) {
            std::fprintf(stderr, "round %d: the undo did not arrive\n", round);
            return 1;
        }
        toPort.push_back(Ms(handed - start));
        toProcessor.push_back(Ms(Clock::now() - start));
        h.WaitFor([&] { return state.layers[0].x == from; }, kAnswerTimeoutMs);
    }
    std::printf("Ctrl+Z to the layer command handed to the port, %d undos: median %.3f ms, p95 %.3f ms\n",
                kUndoRounds, Percentile(toPort, 0.5), Percentile(toPort, 0.95));
    std::printf("Ctrl+Z to the processor having read it (simulator polled): median %.3f ms, p95 %.3f ms\n",
                Percentile(toProcessor, 0.5), Percentile(toProcessor, 0.95));

    std::vector<Frame> oneLayer{Command(kCmdLayer, 0)};
    std::vector<Frame> everything;
    for (int i = 0; i < 4; ++i)
        for (std::uint16_t code : {kCmdLayer, kCmdOutputWindow, kCmdPicture, kCmdBlend})
            everything.push_back(Command(code, i));
    const std::size_t small = HistoryBytes(oneLayer), large = HistoryBytes(everything);
    std::printf("a full history of %zu steps: %zu bytes (%.1f KiB) of one layer each, %zu bytes (%.1f KiB) "
                "of every layer, output window, picture and blend each\n",
                EditHistory::kMaxSteps, small, static_cast<double>(small) / 1024.0, large,
                static_cast<double>(large) / 1024.0);
    return 0;
}

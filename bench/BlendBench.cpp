// Repainting the curve editor while a control point is dragged: each frame is one mouse step
// (the point clamped into the plot, its values stored) and a full paint of the editor - the
// plot, the Bezier curve, both crosses and both labels. Median and 99th percentile per frame,
// in milliseconds (the aim is under 2 ms).

#include "BenchFigures.h"
#include "WidgetBench.h"
#include "blend/CBezierDlg.h"
#include "device/DeviceState.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <vector>

using namespace corvane;
using bench::Percentile;
using bench::SendMouse;

namespace {

void BM_CurveDragRepaint(benchmark::State& state) {
    DeviceState device;
    CBezierDlg editor(device, nullptr);
    editor.Create();
    editor.SetPixelsPerInch(96, 96);
    editor.ShowTable(0, 1);
    const QSize size = editor.size();
    SendMouse(&editor, QEvent::MouseButtonPress, editor.PointPixel(0), Qt::LeftButton);
    QImage frame(size, QImage::Format_RGB32);
    std::vector<double> ms;
    int step = 0;
    long moved = 0;
    for (auto _ : state) {
        const QPoint before = editor.PointPixel(0);
        const auto start = std::chrono::steady_clock::now();
        // Round the plot and beyond its edges, so that clamping is part of the frames.
        const double a = 0.05 * step++;
        const QPoint to(128 + static_cast<int>(160 * std::cos(a)), 110 + static_cast<int>(130 * std::sin(a)));
        SendMouse(&editor, QEvent::MouseMove, to, Qt::LeftButton);
        QPainter p(&frame);
        editor.render(&p);
        p.end();
        moved += editor.PointPixel(0) != before ? 1 : 0;
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    SendMouse(&editor, QEvent::MouseButtonRelease, editor.PointPixel(0), Qt::NoButton);
    state.counters["median_ms"] = Percentile(ms, 0.50);
    state.counters["p99_ms"] = Percentile(ms, 0.99);
    state.counters["moved_frames"] = static_cast<double>(moved) / static_cast<double>(ms.size());
    // What the last frame showed: pixels of the curve's orange and of the crosses' red.
    long orange = 0, red = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb c = frame.pixel(x, y);
            orange += c == qRgb(239, 156, 0) ? 1 : 0;
            red += c == qRgb(255, 0, 0) ? 1 : 0;
        }
    state.counters["curve_px"] = static_cast<double>(orange);
    state.counters["cross_px"] = static_cast<double>(red);
}
BENCHMARK(BM_CurveDragRepaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

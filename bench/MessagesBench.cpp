// The hand-over of window messages: a direct send on the user-interface thread, a post and its
// delivery, and a send from a worker thread that waits until the user-interface thread has run
// it (the road of every record from the processor).

#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"

#include <QApplication>
#include <QWidget>
#include <atomic>
#include <benchmark/benchmark.h>
#include <thread>

using namespace corvane;

namespace {

class Window : public QWidget, public MessageWindow {
public:
    Window() : MessageWindow(this) {}
    std::intptr_t WindowProc(const WindowMessage& m) override {
        ++handled;
        return static_cast<std::intptr_t>(m.wParam);
    }
    long handled = 0;
};

void BM_SendOnUiThread(benchmark::State& state) {
    Window window;
    for (auto _ : state)
        benchmark::DoNotOptimize(SendWindowMessage(&window, WM_DEVICE_REPLY, 0xA8, 1));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendOnUiThread);

void BM_PostAndDeliver(benchmark::State& state) {
    Window window;
    const int batch = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            PostWindowMessage(&window, WM_LINK_EVENT, 1, 0);
        QCoreApplication::sendPostedEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_PostAndDeliver)->Arg(64);

// A worker sends `batch` records one after the other, each waiting for the user-interface
// thread, which runs its event loop meanwhile.
void BM_SendFromWorker(benchmark::State& state) {
    Window window;
    const int batch = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < batch; ++i)
                SendWindowMessage(&window, WM_DEVICE_REPLY, 0xA8, i);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        worker.join();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_SendFromWorker)->Arg(256)->UseRealTime();

} // namespace

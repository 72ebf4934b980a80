// A worker that waits for the user-interface thread must not wait for ever once the
// application ends: at exit the application stops the threads that send to its windows, and
// those may be waiting in a send at that moment.

#include "platform/WindowMessages.h"
#include "platform/ui/MessageWindow.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using namespace corvane;

namespace {

class Window : public QWidget, public MessageWindow {
public:
    Window() : MessageWindow(this) {}
    std::intptr_t WindowProc(const WindowMessage&) override {
        ++handled;
        return 1;
    }
    int handled = 0;
};

// Starts a worker that sends to `window` and waits until the send is on its way.
std::thread StartSender(Window* window, std::optional<std::intptr_t>& result, std::atomic<bool>& returned) {
    std::atomic<bool> started{false};
    std::thread worker([&, window] {
        started = true;
        result = TrySendWindowMessage(window, WM_USER + 1, 0, 0);
        returned = true;
    });
    while (!started)
        QThread::msleep(1);
    QThread::msleep(50); // the user-interface thread runs no events meanwhile: the send waits
    return worker;
}

int g_argc = 1;
char g_name[] = "shutdown";
char* g_argv[] = {g_name, nullptr};

bool WaitUntil(const std::atomic<bool>& flag, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!flag && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag;
}

} // namespace

TEST(WindowMessagesShutdown, EndingTheApplicationReleasesAWaitingSender) {
    std::optional<std::intptr_t> result = 5;
    std::atomic<bool> returned{false};
    std::thread worker;
    {
        QApplication app(g_argc, g_argv);
        Window window;
        worker = StartSender(&window, result, returned);
        EXPECT_FALSE(returned);
    } // the window, then the application object go, with the send still queued
    EXPECT_TRUE(WaitUntil(returned, std::chrono::seconds(5)));
    worker.join();
    EXPECT_FALSE(result.has_value());
}

TEST(WindowMessagesShutdown, ShuttingDownReleasesWaitingSendersAndRefusesNewOnes) {
    QApplication app(g_argc, g_argv);
    Window window;
    EXPECT_EQ(SendWindowMessage(&window, WM_USER + 1, 0, 0), 1); // working before
    std::optional<std::intptr_t> result = 5;
    std::atomic<bool> returned{false};
    std::thread worker = StartSender(&window, result, returned);
    EXPECT_FALSE(returned);

    ShutDownWindowMessages();
    EXPECT_TRUE(WaitUntil(returned, std::chrono::seconds(5)));
    worker.join();
    EXPECT_FALSE(result.has_value());
    EXPECT_TRUE(WindowMessagesShutDown());

    // The abandoned send never runs, and nothing new is queued.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.handled, 1);
    std::optional<std::intptr_t> late = 5;
    std::thread another([&] { late = TrySendWindowMessage(&window, WM_USER + 1, 0, 0); });
    another.join();
    EXPECT_FALSE(late.has_value());
    EXPECT_FALSE(PostWindowMessage(&window, WM_USER + 1, 0, 0));
}

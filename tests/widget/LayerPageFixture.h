#pragma once

// The fixture of the layer page's suites: the page with real mouse and key events, the layout
// page played by a window that records what it gets, the main window's side by a fake host.

#include "FakePageContext.h"
#include "WidgetTestSupport.h"
#include "dialogs/CMessageboxDlg.h"
#include "layout/CLayerDlg.h"
#include "layout/LayoutPageCalls.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace corvane::test {

constexpr std::uintptr_t kReplyLayer = 0xA8;

// A message the layout page got: WM_DEVICE_REPLY or WM_LAYOUT_COMMAND with its parameters.
struct Sent {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Sent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Sent& s) {
    return os << (s.message == WM_LAYOUT_COMMAND ? "LAYOUT_COMMAND(" : "DEVICE_REPLY(") << std::hex
              << s.wParam << std::dec << ", " << s.lParam << ")";
}

inline Sent Reply(int layer) {
    return {WM_DEVICE_REPLY, kReplyLayer, layer};
}
inline Sent Command(int layer) {
    return {WM_LAYOUT_COMMAND, 0, layer};
}

// The layout page's window: keeps the layer page's requests in the order they came.
class RecordingLayoutPage : public QWidget, public MessageWindow, public LayoutPageCalls {
public:
    RecordingLayoutPage() : MessageWindow(this) {}
    void SelectLayerCell(int layer) override { selected.push_back(layer); }
    void SelectOutputCell(int) override {}
    std::vector<int> selected;
    std::intptr_t WindowProc(const WindowMessage& m) override {
        if (m.message == WM_DEVICE_REPLY || m.message == WM_LAYOUT_COMMAND)
            received.push_back({m.message, m.wParam, m.lParam});
        return 0;
    }
    std::vector<Sent> received;
};

// The main window and the layout page as the layer page sees them.
struct FakeHost {
    explicit FakeHost(DeviceState& state) : context(state, config) {
        context.windows[Window::LayoutPage] = &layout;
    }

    Config config;
    test::FakePageContext context;
    RecordingLayoutPage layout;
    std::vector<int>& selected = layout.selected;
    std::vector<std::pair<int, bool>>& switches = context.main.switches;
};

class LayerPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < state.layers.size(); ++i) {
            LayerInfo& l = state.layers[i];
            std::tie(l.x, l.y, l.w, l.h, l.visible) = std::make_tuple(1920 * i, 0, 1920, 1080, 1);
        }
    }

    CLayerDlg& Page() {
        if (!m_page) {
            m_page = std::make_unique<CLayerDlg>(host.context, nullptr);
            m_page->resize(320, 634);
            m_page->Create();
            m_page->ShowPage(true);
            Drain();
        }
        return *m_page;
    }

    template <class W = oRealEdit> W* Control(int id) { return Page().Control<W>(id); }

    void Type(int id, const QString& text) { TypeInto(Control(id), text); }

    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }

    void ChooseLayer(int layer) {
        Click(CLayerDlg::kLayerButtonFirst + layer);
        host.layout.received.clear();
    }

    void Drag(QPoint from, std::initializer_list<QPoint> path) {
        QTest::mousePress(&Page(), Qt::LeftButton, Qt::NoModifier, from);
        QPoint last = from;
        for (QPoint p : path) {
            QTest::mouseMove(&Page(), p);
            last = p;
        }
        QTest::mouseRelease(&Page(), Qt::LeftButton, Qt::NoModifier, last);
        Drain();
    }

    const std::vector<Sent>& SentToLayout() const { return host.layout.received; }

    int Shown(int id) { return Control(id)->text().toInt(); }

    void SwitchZoomOn(int layer) {
        state.layers[static_cast<std::size_t>(layer)].zoomOn = 1;
        Page().ShowLayer(static_cast<std::uint32_t>(layer));
    }

    DeviceState state;
    FakeHost host{state};

private:
    std::unique_ptr<CLayerDlg> m_page;
};

} // namespace corvane::test

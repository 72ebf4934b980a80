#pragma once

// The fixture of the layer page's and the output page's suites: the page with real mouse and
// key events, the layout page played by a window that records what it gets, the main window
// by the fake context.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "layout/CLayerDlg.h"
#include "layout/LayoutPageCalls.h"
#include "platform/WindowMessages.h"
#include "platform/ui/SystemMessages.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"

#include <QTest>
#include <gtest/gtest.h>
#include <sstream>

namespace corvane::test {

using Log = std::vector<std::string>;

// The layout page's window: what a page asks of it, in order ("reply a8 1", "layout 0 2"), and
// the cells it is asked to select.
class RecordingLayoutPage : public QWidget, public MessageWindow, public LayoutPageCalls {
public:
    RecordingLayoutPage() : MessageWindow(this) {}
    void SelectLayerCell(int layer) override { selected.push_back(layer); }
    void SelectOutputCell(int output) override { selected.push_back(output); }
    std::intptr_t WindowProc(const WindowMessage& m) override {
        std::ostringstream line;
        if (m.message == WM_DEVICE_REPLY)
            line << "reply " << std::hex << m.wParam << std::dec << " " << m.lParam;
        else if (m.message == WM_LAYOUT_COMMAND)
            line << "layout " << m.wParam << " " << m.lParam;
        else
            return 0;
        log.push_back(line.str());
        return 0;
    }
    std::vector<int> selected;
    Log log;
};

class LayerPageTest : public PageFixture<CLayerDlg> {
protected:
    LayerPageTest() : PageFixture(QSize(320, 634)) {
        context.windows[Window::LayoutPage] = &layout;
        for (std::size_t i = 0; i < state.layers.size(); ++i) {
            LayerInfo& l = state.layers[i];
            std::tie(l.x, l.y, l.w, l.h, l.visible) = std::make_tuple(1920 * i, 0, 1920, 1080, 1);
        }
    }

    CLayerDlg& Page() { return PageUnderTest(); }

    template <class W = oRealEdit> W* Control(int id) { return Page().Control<W>(id); }

    void Type(int id, const QString& text) { TypeInto(Control(id), text); }

    void Click(int id) { ClickAndDrain(Control<QAbstractButton>(id)); }

    void ChooseLayer(int layer) {
        Click(CLayerDlg::kLayerButtonFirst + layer);
        layout.log.clear();
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

    const Log& SentToLayout() const { return layout.log; }

    int Shown(int id) { return Control(id)->text().toInt(); }

    void SwitchZoomOn(int layer) {
        state.layers[static_cast<std::size_t>(layer)].zoomOn = 1;
        Page().ShowLayer(static_cast<std::uint32_t>(layer));
    }

    RecordingLayoutPage layout;
};

} // namespace corvane::test

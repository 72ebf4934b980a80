#pragma once

// The set-up every page suite shares: a DeviceState and a Config behind a FakePageContext (the
// main window as the page sees it), and the page under test created on first use, shown at its
// place's size and exposed (and active, for pages whose boxes need the keyboard focus).

#include "FakePageContext.h"
#include "WidgetTestSupport.h"
#include "device/DeviceState.h"
#include "platform/WindowMessages.h"
#include "shell/Config.h"
#include "widgets/CGdipButton.h"

#include <QLabel>
#include <QSize>
#include <QTest>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>

namespace corvane::test {

template <class P> class PageFixture : public ::testing::Test {
protected:
    // `size`: the page's place in the main window; `activate`: wait until the page is the
    // active window (typing into its boxes needs it).
    explicit PageFixture(QSize size = QSize(320, 600), bool activate = false)
        : context(state, config), m_size(size), m_activate(activate) {}

    P& PageUnderTest() {
        if (!m_page) {
            m_page = std::make_unique<P>(context, nullptr);
            m_page->resize(m_size);
            m_page->Create();
            m_page->ShowPage(true);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
            if (m_activate) {
                m_page->activateWindow();
                EXPECT_TRUE(QTest::qWaitForWindowActive(m_page.get()));
            }
            OnCreated(*m_page);
            Drain();
        }
        return *m_page;
    }

    // After the page's creation, before it is used: e.g. registering it as a window.
    virtual void OnCreated(P&) {}

    template <class W = QLabel> W* Control(int id) { return PageUnderTest().template Control<W>(id); }
    CGdipButton* Button(int id) { return Control<CGdipButton>(id); }

    void Connect() { state.linkState = kLinkSynchronised; }

    // A record of the processor as the dispatcher tells the page about it.
    std::intptr_t Reply(std::uint32_t code, std::intptr_t lParam) {
        const std::intptr_t r = SendWindowMessage(&PageUnderTest(), WM_DEVICE_REPLY, code, lParam);
        Drain();
        return r;
    }

    DeviceState state;
    Config config;
    FakePageContext context;

private:
    QSize m_size;
    bool m_activate;
    std::unique_ptr<P> m_page;
};

} // namespace corvane::test

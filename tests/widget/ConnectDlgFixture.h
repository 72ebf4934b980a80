#pragma once

// The fixture of the connection dialog's suites: the ports of a temporary Ports folder, a real
// application object with its link, and a main window played by a fake page context.

#include "FakePageContext.h"
#include "PtyPair.h"
#include "WidgetTestSupport.h"
#include "connection/CConnectDlg.h"
#include "link/CommandCodes.h"
#include "link/CommandFrame.h"
#include "platform/SerialFile.h"
#include "platform/SerialPortList.h"
#include "platform/WindowMessages.h"
#include "shell/Config.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/CDropButton.h"
#include "widgets/ValueEdit.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace corvane::test {

using namespace std::chrono_literals;

// The main window as the dialog sees it: the context of the pages over a real application
// object, whose link the session opens and whose Config.ini it saves.
struct AppPort {
    explicit AppPort(CCorvaneApp& app) : port(app.link) {}
    SerialSessionPort port;
};

class AppContext : private AppPort, public FakePageContext {
public:
    explicit AppContext(CCorvaneApp& app) : AppPort(app), FakePageContext(app.state, app.config, &port) {
        onSend = [&app](const std::uint8_t* data, std::size_t length) { app.SendToDevice(data, length); };
        onSave = [&app] {
            return app.configPath.empty() || SaveConfig(app.configPath, app.config, app.state.presets);
        };
    }
};

// The main window's side of the link: a port closed under its read becomes WM_PORT_CLOSED to
// the connection dialog, sent from the I/O worker.
class ForwardingLinkOwner : public LinkOwner {
public:
    void OnDeviceRecord(const std::uint8_t*) override {}
    void OnReadBackBlock(const std::uint8_t*) override {}
    void OnPortClosed() override {
        ++closed;
        if (MessageWindow* d = dialog.load())
            SendWindowMessage(d, WM_PORT_CLOSED, 0, 0);
    }
    std::atomic<int> closed{0};
    std::atomic<MessageWindow*> dialog{nullptr};
};

class ConnectDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath("Ini");
        app.configPath = (m_root.path() + "/Ini/Config.ini").toStdString();
        app.link.SetOwner(&linkOwner);
        SetSerialPortSources({ports.Path(), {}});
        main.resize(900, 600);
        main.show();
    }

    void TearDown() override {
        // Nothing of the link may still wait for the user-interface thread when the objects go.
        if (m_dialog)
            SendWindowMessage(m_dialog.get(), WM_PORT_CLOSED, 0, 0);
        WaitFor([] { return false; }, 20);
        linkOwner.dialog = nullptr;
        m_dialog.reset();
        ResetSerialPortSources();
    }

    // A pseudo-terminal listed as COM<number>.
    PtyPair& AddPort(int number) {
        auto& pty = m_ptys.emplace_back(std::make_unique<PtyPair>());
        EXPECT_TRUE(pty->Ok());
        ports.Link("COM" + std::to_string(number), pty->DevicePath());
        return *pty;
    }

    CConnectDlg& Dialog() {
        if (!m_dialog) {
            m_dialog = std::make_unique<CConnectDlg>(owner, &main);
            m_dialog->Create();
            linkOwner.dialog = m_dialog.get();
        }
        return *m_dialog;
    }

    template <class W = QWidget> W* Control(int id) { return Dialog().Control<W>(id); }

    void Click(int id) { QTest::mouseClick(Control<QAbstractButton>(id), Qt::LeftButton); }

    std::intptr_t Send(std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
        return SendWindowMessage(&Dialog(), message, w, l);
    }

    // Waits for the worker's WM_PORT_CLOSED after a close, and for everything it started.
    void SettleClose(int closings) {
        EXPECT_TRUE(WaitFor([&] { return linkOwner.closed.load() >= closings; }, 3000));
        WaitFor([] { return false; }, 30);
    }

    static bool IsRequestAll(const std::vector<std::uint8_t>& bytes) {
        const Frame f = MakeFrame(kCmdRequestAll);
        return bytes == std::vector<std::uint8_t>(f.begin(), f.end());
    }

    std::string ConfigBytes() const {
        QFile f(QString::fromStdString(app.configPath));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }

    QPoint Centred() {
        return QPoint((main.width() - Dialog().width()) / 2, (main.height() - Dialog().height()) / 2);
    }

    TempLanguage language{"English"};
    QTemporaryDir m_root;
    PortsFolder ports;
    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    ForwardingLinkOwner linkOwner; // outlives the link that calls it
    CCorvaneApp app;
    AppContext owner{app};
    RecordingPage main{nullptr, CBaseDialog::Frame::FloatingWindow, 102};
    RecordingPage upgrade;
    std::unique_ptr<CConnectDlg> m_dialog;
};

inline speed_t OutputSpeed(const PtyPair& pty) {
    const termios settings = pty.DeviceSettings();
    return cfgetospeed(&settings);
}

} // namespace corvane::test

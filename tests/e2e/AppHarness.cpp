#include "AppHarness.h"

#include "ProcessorModel.h"
#include "RunEvents.h"
#include "dialogs/CMessageboxDlg.h"
#include "platform/Paths.h"
#include "platform/SerialPortList.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane::test {

class AppHarness::Ui : public StartupUi {
public:
    explicit Ui(AppHarness& h) : m_h(h) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        m_h.messages.push_back(caption + ": " + text);
    }
    void RunMainWindow(CCorvaneApp& app) override {
        m_h.m_main = std::make_unique<CMainDlg>(app);
        m_h.m_main->Create();
        m_h.m_main->show();
    }

private:
    AppHarness& m_h;
};

AppHarness::AppHarness() {
    char folder[] = "/tmp/corvane-app-XXXXXX";
    if (mkdtemp(folder))
        m_folder = folder;
    m_guard = m_folder + "/runtime";
    std::system(("mkdir -p " + m_guard + " " + m_folder + "/Ports").c_str());
    // The language files as the build ships them beside the executables.
    std::system(("cp -r " + ExecutableFolder() + "/Language " + m_folder + "/").c_str());
    SetSerialPortSources({m_folder + "/Ports", {}});
    // Answer every message box as it opens, and remember what it said.
    QObject::connect(&m_answer, &QTimer::timeout, [this] {
        if (!answerBoxes)
            return;
        if (auto* box = qobject_cast<CMessageboxDlg*>(QApplication::activeModalWidget())) {
            std::string text;
            if (auto* label = box->Control<QLabel>(CMessageboxDlg::kMessageId))
                text = label->text().toStdString();
            messages.push_back(box->windowTitle().toStdString() + ": " + text);
            box->EndDialog(1);
        }
    });
    m_answer.start(20);
}

AppHarness::~AppHarness() {
    m_answer.stop();
    for (auto& s : m_sims)
        s->Stop(); // nothing more arrives
    QTest::qWait(50);
    if (m_main)
        m_main->ShutDownLink();
    m_main.reset();
    // A link worker may still wait for this thread to take a message it sent before the window
    // went (the port's last record, its "link lost"): the application's link waits for that
    // worker when it is destroyed, and would wait forever. Once the window is gone no new
    // send waits (it finds no window), so running the queued events frees the last one.
    QTest::qWait(100);
    m_app.reset();
    ResetSerialPortSources();
    for (int fd : m_idleTerminals)
        close(fd);
    std::system(("rm -rf " + m_folder).c_str());
}

sim::Simulator& AppHarness::AddSimulator(int port, unsigned baud, sim::Faults faults) {
    sim::SimOptions o;
    o.port = port;
    o.portsFolder = m_folder + "/Ports";
    o.baud = baud;
    o.faults = faults;
    m_sims.push_back(std::make_unique<sim::Simulator>(o));
    std::string error;
    EXPECT_TRUE(m_sims.back()->Start(&error)) << error;
    return *m_sims.back();
}

bool AppHarness::AddIdlePort(int port) {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    m_idleTerminals.push_back(fd);
    const char* name = (grantpt(fd) == 0 && unlockpt(fd) == 0) ? ptsname(fd) : nullptr;
    return name && symlink(name, (m_folder + "/Ports/COM" + std::to_string(port)).c_str()) == 0;
}

void AppHarness::StartApplication() {
    m_app = std::make_unique<CCorvaneApp>();
    m_ui = std::make_unique<Ui>(*this);
    EXPECT_EQ(m_app->InitInstance(*m_ui, m_folder, m_guard), StartupResult::Ran);
    ASSERT_TRUE(m_main);
}

bool AppHarness::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    return RunEventsUntil(done, std::chrono::milliseconds(timeoutMs));
}

std::vector<Frame> ReceivedWithCode(sim::Simulator& s, std::uint16_t code) {
    std::vector<Frame> frames;
    s.Inspect([&](const sim::ProcessorModel& m) {
        for (const Frame& f : m.ReceivedCommands())
            if (FrameCode(f.data()) == code)
                frames.push_back(f);
    });
    return frames;
}

std::size_t CommandsWithCode(sim::Simulator& s, std::uint16_t code) {
    return ReceivedWithCode(s, code).size();
}

} // namespace corvane::test

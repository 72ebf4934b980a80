#pragma once

// The main window's side of the local control interface: it starts the interface when
// Config.ini switches it on and runs each checked operation through the path the operator's
// own click takes - the input boxes' change of input, the quick set page's recall, the presets
// page's load, the layer switches and the layout page's layer command, the picture page's
// edits, the misc page's "Get data" - so the window shows at once what a cue changed.

#include "control/ControlServer.h"
#include "control/ControlService.h"

#include <memory>

namespace corvane {

class CMainDlg;

class ControlGateway : public control::ControlTarget {
public:
    explicit ControlGateway(CMainDlg& main);
    ~ControlGateway() override;

    // A started gateway when Config.ini's Control section switches it on and its settings allow
    // it; null otherwise (why is logged).
    static std::unique_ptr<ControlGateway> StartIfEnabled(CMainDlg& main);
    // Listens with `settings` (tests, benchmarks); false (and why is logged) when it cannot.
    bool Start(const control::ControlSettings& settings);

    control::ControlServer* Server() const { return m_server.get(); }

    // ControlTarget
    const DeviceState& State() const override;
    control::LinkSummary Link() const override;
    control::Outcome Execute(const control::Operation& operation) override;

private:
    control::Outcome Layer(const control::SetLayer& op);
    control::Outcome Picture(const control::SetPicture& op);

    CMainDlg& m_main;
    std::unique_ptr<control::ControlServer> m_server;
};

} // namespace corvane

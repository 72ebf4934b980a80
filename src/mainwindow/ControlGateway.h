#pragma once

// The main window's side of the local control interface: it starts the interface when
// Config.ini switches it on and runs each checked operation through the path the operator's
// own click takes - the input boxes' change of input, the quick set page's recall, the presets
// page's load, the layer switches and the layout page's layer command, the picture page's
// edits, the misc page's "Get data" - so the window shows at once what a cue changed.

#include "control/ControlServer.h"
#include "control/ControlService.h"
#ifdef CORVANE_OSC
#include "control/OscListener.h"
#endif

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
    // Listens with `settings` (tests, benchmarks): HTTP when they switch it on, OSC when they
    // give its port; false (and why is logged) when neither starts.
    bool Start(const control::ControlSettings& settings);

    // Null when HTTP is off or did not start.
    control::ControlServer* Server() const { return m_server.get(); }
    // The UDP port OSC listens on; 0 when it does not.
    quint16 OscPort() const;

    // ControlTarget
    const DeviceState& State() const override;
    control::LinkSummary Link() const override;
    control::Outcome Execute(const control::Operation& operation) override;

private:
    bool StartHttp(const control::ControlSettings& settings);
    bool StartOsc(const control::ControlSettings& settings);
    control::Outcome Layer(const control::SetLayer& op);
    control::Outcome Picture(const control::SetPicture& op);

    CMainDlg& m_main;
    std::unique_ptr<control::ControlServer> m_server;
#ifdef CORVANE_OSC
    std::unique_ptr<control::OscListener> m_osc;
#endif
};

} // namespace corvane

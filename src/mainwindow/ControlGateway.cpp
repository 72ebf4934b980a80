#include "mainwindow/ControlGateway.h"

#include "control/ControlLog.h"
#include "device/ReplyCodes.h"
#include "layout/CLayoutDlg.h"
#include "mainwindow/CMainDlg.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/CQuicksetDlg.h"
#include "picture/CPicSettingDlg.h"
#include "picture/PictureFrames.h"
#include "platform/Files.h"
#include "presets/CPresetsDlg.h"
#include "shell/CorvaneApp.h"

namespace corvane {

using control::Outcome;

ControlGateway::ControlGateway(CMainDlg& main) : m_main(main) {}

ControlGateway::~ControlGateway() = default;

std::unique_ptr<ControlGateway> ControlGateway::StartIfEnabled(CMainDlg& main) {
    const control::ControlSettings& settings = main.App().config.control;
    const std::string& path = main.App().configPath;
    if (!settings.token.empty() && OthersMayRead(path))
        qCWarning(lcControl).noquote() << "Config.ini holds the control token and others may read it; run:"
                                       << QString::fromStdString("chmod 600 " + control::ShellQuoted(path));
    if (!settings.enabled && settings.oscPort == 0)
        return nullptr;
    auto gateway = std::make_unique<ControlGateway>(main);
    if (!gateway->Start(settings))
        return nullptr;
    return gateway;
}

bool ControlGateway::Start(const control::ControlSettings& settings) {
    const bool http = settings.enabled && StartHttp(settings);
    const bool osc = settings.oscPort != 0 && StartOsc(settings);
    return http || osc;
}

bool ControlGateway::StartHttp(const control::ControlSettings& settings) {
    m_server = std::make_unique<control::ControlServer>(settings, *this);
    QString why;
    if (!m_server->Start(&why)) {
        qCWarning(lcControl).noquote() << "the control interface does not start:" << why;
        m_server.reset();
        return false;
    }
    for (const std::string& entry : control::InvalidOrigins(settings))
        qCWarning(lcControl).noquote() << "AllowedOrigins:" << QString::fromStdString(control::LogSafe(entry))
                                       << "is no origin (scheme://host or scheme://host:port): ignored";
    qCInfo(lcControl).noquote() << "the control interface listens on"
                                << QString::fromStdString(settings.address) << "port" << m_server->Port()
                                << (control::TokenRequired(settings) ? "(token required)"
                                                                     : "(loopback, no token)");
    return true;
}

bool ControlGateway::StartOsc(const control::ControlSettings& settings) {
#ifdef CORVANE_OSC
    m_osc = std::make_unique<control::OscListener>(settings, *this);
    QString why;
    if (!m_osc->Start(&why)) {
        qCWarning(lcControl).noquote() << "OSC does not start:" << why;
        m_osc.reset();
        return false;
    }
    for (const std::string& entry : m_osc->InvalidSenders())
        qCWarning(lcControl).noquote()
            << "OscAllowedSenders:" << QString::fromStdString(control::LogSafe(entry))
            << "is no IP address: ignored";
    qCInfo(lcControl).noquote() << "OSC listens on" << QString::fromStdString(settings.address) << "UDP port"
                                << m_osc->Port()
                                << (control::IsLoopbackAddress(settings.address)
                                        ? "(loopback: every sender on this PC is heard)"
                                        : "(only the senders of OscAllowedSenders are heard)");
    if (!m_osc->HearsAnyone())
        qCWarning(lcControl).noquote()
            << "OSC hears no sender: OscAllowedSenders lists none, and on an address other than "
               "loopback only listed senders are heard";
    return true;
#else
    qCWarning(lcControl).noquote() << "OscPort" << settings.oscPort
                                   << "is set, but this build of Corvane has no OSC: ignored";
    return false;
#endif
}

quint16 ControlGateway::OscPort() const {
#ifdef CORVANE_OSC
    return m_osc ? m_osc->Port() : 0;
#else
    return 0;
#endif
}

const DeviceState& ControlGateway::State() const {
    return m_main.App().state;
}

control::LinkSummary ControlGateway::Link() const {
    control::LinkSummary l;
    const LinkMembers& link = m_main.Services().Session().Link();
    l.linkState = m_main.App().state.linkState;
    l.connected = link.connected;
    l.port = l.linkState != kLinkClosed ? link.lastPort : -1;
    l.baud = l.linkState != kLinkClosed ? link.baudRate : 0;
    l.waiting = m_main.WaitShown();
    l.transferRunning = m_main.Services().TransferRunning();
    return l;
}

Outcome ControlGateway::Execute(const control::Operation& operation) {
    if (m_main.Services().TransferRunning())
        return Outcome::TransferRunning;
    if (m_main.App().state.linkState != kLinkSynchronised)
        return Outcome::NotSynchronised;
    if (const auto* op = std::get_if<control::SelectInput>(&operation))
        return m_main.SelectInput(op->input) ? Outcome::Sent : Outcome::Unchanged;
    if (const auto* op = std::get_if<control::RecallPreset>(&operation)) {
        auto* quickset = dynamic_cast<CQuicksetDlg*>(m_main.Pages().Find(Window::QuickSetPage));
        return quickset && quickset->RecallPreset(op->preset) ? Outcome::Sent : Outcome::NotSynchronised;
    }
    if (const auto* op = std::get_if<control::LoadPresetSlot>(&operation)) {
        auto* presets = dynamic_cast<CPresetsDlg*>(m_main.Pages().Find(Window::PresetsPage));
        if (!presets)
            return Outcome::NotSynchronised;
        switch (presets->SendSlotFile(op->slot)) {
        case CPresetsDlg::SlotLoad::Sent:
            return Outcome::Sent;
        case CPresetsDlg::SlotLoad::NoFile:
            return Outcome::NoPresetFile;
        case CPresetsDlg::SlotLoad::NotSynchronised:
            return Outcome::NotSynchronised;
        }
        return Outcome::NotSynchronised;
    }
    if (const auto* op = std::get_if<control::SetLayer>(&operation))
        return Layer(*op);
    if (const auto* op = std::get_if<control::SetPicture>(&operation))
        return Picture(*op);
    if (std::holds_alternative<control::Synchronise>(operation)) {
        auto* misc = dynamic_cast<CMiscDlg*>(m_main.Pages().Find(Window::MiscPage));
        return misc && misc->GetData() ? Outcome::Sent : Outcome::NotSynchronised;
    }
    return Outcome::Unchanged; // reads are answered by the service
}

Outcome ControlGateway::Layer(const control::SetLayer& op) {
    CLayoutDlg* layout = m_main.LayoutPage();
    if (!layout)
        return Outcome::NotSynchronised;
    const int i = op.layer;
    if (op.window) {
        // As the layer page's typed values: the window into the state, the cell follows it.
        LayerInfo& l = m_main.App().state.layers[static_cast<std::size_t>(i)];
        l.x = op.window->x;
        l.y = op.window->y;
        l.w = op.window->w;
        l.h = op.window->h;
        SendWindowMessage(layout, WM_DEVICE_REPLY, kReplyLayer, i);
    }
    if (op.on && *op.on != m_main.LayerSwitchOn(i)) {
        // The switch as the operator presses it: visible, the cell, one layer command.
        m_main.SetLayerSwitch(i, *op.on);
        return Outcome::Sent;
    }
    if (!op.window)
        return Outcome::Unchanged;
    // The window alone: committed as the canvas commits a drag.
    SendWindowMessage(layout, WM_LAYOUT_COMMAND, 0, i);
    if (MessageWindow* page = m_main.Pages().Find(Window::LayerPage))
        PostWindowMessage(page, WM_DEVICE_REPLY, kReplyShowLayer, i);
    return Outcome::Sent;
}

Outcome ControlGateway::Picture(const control::SetPicture& op) {
    auto* page = dynamic_cast<CPicSettingDlg*>(m_main.Pages().Find(Window::PicturePage));
    if (!page)
        return Outcome::NotSynchronised;
    PictureSettings record = m_main.App().state.picture[static_cast<std::size_t>(op.output)];
    bool sent = false;
    // Each value as one edit of the page, in the page's order, each sent as the page sends it.
    const auto edit = [&](std::uint32_t item) {
        if (!page->ApplyEdit(op.output, item, record))
            return false;
        sent = true;
        return true;
    };
    if (op.brightness) {
        record.brightness = *op.brightness;
        if (!edit(kPictureBrightness))
            return Outcome::NotSynchronised;
    }
    if (op.contrast) {
        record.contrast = *op.contrast;
        if (!edit(kPictureContrast))
            return Outcome::NotSynchronised;
    }
    if (op.gamma) {
        record.gamma = *op.gamma;
        if (!edit(kPictureGamma))
            return Outcome::NotSynchronised;
    }
    const bool gains = op.red || op.green || op.blue;
    if (gains) {
        // A gain moved from a preset starts from that preset's other gains, as the page shows them.
        if (const std::optional<ColorGains> shown = GainsOf(record.colorTemp, record)) {
            record.red = shown->red;
            record.green = shown->green;
            record.blue = shown->blue;
        }
        record.colorTemp = static_cast<std::uint8_t>(kUserColorTemp);
        std::uint32_t item = kPictureRed;
        if (op.red)
            record.red = *op.red;
        if (op.green) {
            record.green = *op.green;
            item = op.red ? item : kPictureGreen;
        }
        if (op.blue) {
            record.blue = *op.blue;
            item = op.red || op.green ? item : kPictureBlue;
        }
        if (!edit(item))
            return Outcome::NotSynchronised;
    } else if (op.colorTemp) {
        record.colorTemp = *op.colorTemp;
        if (!edit(kPictureColorTemp))
            return Outcome::NotSynchronised;
    }
    return sent ? Outcome::Sent : Outcome::Unchanged;
}

} // namespace corvane

#include "device/ReplyDispatcher.h"

#include "link/ByteOrder.h"
#include "link/CommandFrame.h"
#include "platform/CodePage936.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

bool ValidIndex(std::uint8_t index) {
    return index < 4;
}

// Two upper-case hex digits of each byte, first byte first.
std::string HexPair(std::uint8_t first, std::uint8_t second) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X", first, second);
    return text;
}

// Up to `room` bytes from `p`, stopping at a zero byte: text of the processor in code page 936
// (a Chinese character is two bytes), kept as UTF-8.
std::string WifiText(const std::uint8_t* p, std::size_t length, std::size_t room) {
    const std::size_t n = std::min(length, room);
    return FromCodePage936(p, static_cast<std::size_t>(std::find(p, p + n, 0) - p));
}

} // namespace

ReplyDispatcher::ReplyDispatcher(DeviceState& state, LinkSession& session, DispatcherHost& host,
                                 const OutputPicks* picks)
    : m_state(state), m_session(session), m_link(session.Link()), m_host(host),
      m_picks(picks ? *picks : m_noPicks) {}

void ReplyDispatcher::EndWait() {
    m_host.HideWait();
    m_host.StopTimer(kTimerWait);
}

void ReplyDispatcher::Notify(Window window, std::uint32_t code, std::intptr_t index) {
    m_host.SendMessageTo(window, WM_DEVICE_REPLY, code, index);
}

void ReplyDispatcher::LinkEvent(std::uint32_t event, std::intptr_t detail) {
    m_host.PostMessageTo(Window::MainWindow, WM_LINK_EVENT, event, detail);
}

int ReplyDispatcher::OnDeviceRecord(const std::uint8_t* record) {
    std::uint8_t r[kFrameSize];
    std::memcpy(r, record, kFrameSize);
    m_link.keepAliveCount = 0;

    switch (FrameCode(r)) {
    case kReplyEdid:
        return OnEdid(r);
    case kReplyInputStatus:
        return OnInputStatus(r);
    case kReplyVersions:
        return OnVersions(r);
    case kReplyCrop:
        return OnCrop(r);
    case kReplyLayer:
        return OnLayer(r);
    case kReplyBlend:
        return OnBlend(r);
    case kReplyCurve:
        return OnCurve(r);
    case kReplyOutput:
        return OnOutput(r);
    case kReplyPicture:
        return OnPicture(r);
    case kReplyKeepAlive:
        return 1;
    case kReplyAck:
        return OnAck(r);
    case kReplyDone:
        return OnDone();
    case kReplyWifi:
        return OnWifi(r);
    case kReplySysInfo:
        return OnSysInfo(r);
    case kReplyPing:
        return OnPing();
    case kReplyBootAnnounce:
        return OnBootAnnounce(r);
    default:
        return 0;
    }
}

int ReplyDispatcher::OnEdid(const std::uint8_t* r) {
    if (!ValidIndex(r[6]))
        return 0;
    EdidTiming& t = m_state.edidTimings[r[6]];
    std::uint16_t* fields[] = {&t.hBlank, &t.vBlank, &t.hActive, &t.vActive,   &t.hSync,
                               &t.vSync,  &t.hFront, &t.vFront,  &t.refreshX10};
    for (int i = 0; i < 9; ++i)
        *fields[i] = GetLE16(r + 7 + 2 * i);
    Notify(Window::EdidPage, kReplyEdid, r[6]);
    return 1;
}

int ReplyDispatcher::OnInputStatus(const std::uint8_t* r) {
    const std::uint8_t input = r[6];
    if (!ValidIndex(input))
        return 0;
    m_state.currentInput = input;
    for (InputInfo& in : m_state.inputs) {
        in.isCurrent = 0;
        in.signal = 0;
    }
    InputInfo& in = m_state.inputs[input];
    in.isCurrent = 1;
    in.signal = r[7];
    in.width = GetLE16(r + 8);
    in.height = GetLE16(r + 10);
    in.refreshX10 = GetLE16(r + 12);
    m_state.crop.inputFpsX100 = GetLE16(r + 14);
    m_state.crop.outputFpsX100 = GetLE16(r + 16);
    Notify(Window::MainWindow, kReplyInputStatus, input);
    Notify(Window::FramePage, kReplyInputStatus, 0);
    return 1;
}

int ReplyDispatcher::OnVersions(const std::uint8_t* r) {
    m_state.verPrimary = HexPair(r[7], r[6]);
    m_state.verSecondary = HexPair(r[9], r[8]);
    Notify(Window::MiscPage, kReplyVersions, r[6]);
    return 1;
}

int ReplyDispatcher::OnCrop(const std::uint8_t* r) {
    const std::uint8_t input = r[6];
    if (!ValidIndex(input))
        return 0;
    CropState& c = m_state.crop;
    c.cropInput = input;
    c.frameMode = r[7];
    m_state.currentInput = input;
    const int group = r[34] == 0 ? 0 : 1;
    auto readRect = [](CropRect& rect, const std::uint8_t* p) {
        rect.on = p[0];
        rect.hStart = GetLE16(p + 1);
        rect.vStart = GetLE16(p + 3);
        rect.hSize = GetLE16(p + 5);
        rect.vSize = GetLE16(p + 7);
        rect.hTotal = GetLE16(p + 9);
        rect.vTotal = GetLE16(p + 11);
    };
    readRect(c.rects[2 * group], r + 8);
    readRect(c.rects[2 * group + 1], r + 21);
    c.inputBackup = r[35];
    Notify(Window::CropPage, kReplyCrop, input);
    Notify(Window::EdidPage, kReplyCrop, input);
    Notify(Window::MainWindow, kReplyCrop, input);
    Notify(Window::FramePage, kReplyCrop, r[7]);
    Notify(Window::MiscPage, kReplyCrop, 0);
    return 1;
}

int ReplyDispatcher::OnLayer(const std::uint8_t* r) {
    const std::uint8_t index = r[6];
    if (!ValidIndex(index))
        return 0;
    LayerInfo& l = m_state.layers[index];
    if (r[7] < 4)
        l.source = r[7];
    l.zoomOn = r[8];
    l.zoomX = GetLE16(r + 9);
    l.zoomY = GetLE16(r + 11);
    l.zoomW = GetLE16(r + 13);
    l.zoomH = GetLE16(r + 15);
    l.srcW = GetLE16(r + 17);
    l.srcH = GetLE16(r + 19);
    l.x = GetLE24(r + 21);
    l.y = GetLE24(r + 24);
    l.w = GetLE24(r + 27);
    l.h = GetLE24(r + 30);
    l.visible = r[33];
    Notify(Window::LayoutPage, kReplyLayer, index);
    Notify(Window::LayerPage, kReplyLayer, index);
    Notify(Window::MainWindow, kReplyLayer, index);
    return 1;
}

int ReplyDispatcher::OnBlend(const std::uint8_t* r) {
    const std::uint8_t output = r[6];
    if (!ValidIndex(output))
        return 0;
    OutputInfo& o = m_state.outputs[output];
    for (int s = 0; s < kSideCount; ++s) {
        const std::uint8_t* p = r + 8 + 6 * s;
        BlendSide& side = o.blend[s];
        side.gamma = p[0];
        side.table = p[1];
        side.start = GetLE16(p + 2);
        side.size = GetLE16(p + 4);
        side.enable = (r[7] >> (2 * s)) & 1;
        side.direction = (r[7] >> (2 * s + 1)) & 1;
    }
    Notify(Window::FusePage, kReplyBlend, output);
    return 1;
}

int ReplyDispatcher::OnCurve(const std::uint8_t* r) {
    const std::uint8_t output = r[6];
    if (!ValidIndex(output))
        return 0;
    std::memcpy(m_state.outputs[output].curve.data(), r + 7, 16);
    if (output == 3)
        EndSynchronisation();
    Notify(Window::FusePage, kReplyCurve, output);
    return 1;
}

void ReplyDispatcher::EndSynchronisation() {
    m_session.FollowUp().StateArrived();
    EndWait();
    m_host.StartTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
    m_host.RefreshConnectDialog();
    m_session.MarkSynchronised();
    m_link.lastScanIndex = -1;
    if (m_host.ConnectDialogShownAutomatically())
        m_host.HideConnectDialog();
    m_host.PostMessageTo(Window::ConnectDialog, WM_DEVICE_REPLY, kReplySelectPort, m_link.lastPort);
}

int ReplyDispatcher::OnOutput(const std::uint8_t* r) {
    const std::uint8_t output = r[6];
    if (!ValidIndex(output))
        return 0;
    OutputInfo& o = m_state.outputs[output];
    o.canvasX = GetLE24(r + 7);
    o.canvasY = GetLE24(r + 10);
    o.width = GetLE16(r + 13);
    o.height = GetLE16(r + 15);
    o.winX = GetLE16(r + 17);
    o.winY = GetLE16(r + 19);
    o.winW = GetLE16(r + 21);
    o.winH = GetLE16(r + 23);
    o.resIndex = r[25];
    o.hActive = GetLE16(r + 26);
    o.vActive = GetLE16(r + 28);
    o.resTag = r[30];
    Notify(Window::OutputPage, kReplyOutput, output + kOutputPageIndexBase);
    Notify(Window::LayoutPage, kReplyOutput, output);
    return 1;
}

int ReplyDispatcher::OnPicture(const std::uint8_t* r) {
    int first;
    if (r[6] == 0x12)
        first = 0;
    else if (r[6] == 0x34)
        first = 2;
    else
        return 0;
    for (int k = 0; k < 2; ++k) {
        const std::uint8_t* p = r + 7 + 11 * k;
        PictureSettings& s = m_state.picture[first + k];
        s.brightness = p[0];
        s.contrast = p[1];
        s.gamma = p[2];
        s.colorTemp = p[3];
        s.red = p[4];
        s.green = p[5];
        s.blue = p[6];
        s.aux0 = p[7];
        s.aux1 = p[8];
        s.aux2 = p[9];
        s.aux3 = p[10];
    }
    Notify(Window::PicturePage, kReplyPicture, r[6]);
    return 1;
}

void ReplyDispatcher::AckOutputApplied(std::uint8_t status, std::uint8_t which) {
    EndWait();
    // Outputs concerned: one output, or all four for 4. Any other value names no output.
    int first = which, last = which;
    if (which == 4) {
        first = 0;
        last = 3;
    } else if (which > 4) {
        first = 1;
        last = 0;
    }
    // The processor answers a resolution the output page applied (one output, or all four) with
    // status 1 when it runs it now. Any other status is its refusal: it still runs what it
    // reported last, so nothing the page picked is copied and the page drops its picks.
    if (status == 1) {
        LinkEvent(kEventOutput, 0);
        for (int o = first; o <= last; ++o) {
            const OutputPick pick = PickFor(m_picks, m_state, o);
            if (pick.row < 0 || pick.row >= kResolutionCount)
                continue;
            OutputInfo& out = m_state.outputs[o];
            out.resIndex = static_cast<std::uint32_t>(pick.row);
            if (pick.row == kCustomResolutionRow) {
                out.width = out.hActive = pick.customWidth;
                out.height = out.vActive = pick.customHeight;
                out.resTag = pick.customTag;
            } else {
                const ResolutionEntry& row = m_state.resolutions[pick.row];
                out.width = out.hActive = row.width;
                out.height = out.vActive = row.height;
                out.resTag = row.tag;
            }
        }
    } else {
        LinkEvent(kEventOutput, 1);
    }
    Notify(Window::OutputPage, kReplyAck, status);
    for (int o = first; o <= last; ++o) {
        Notify(Window::OutputPage, kReplyOutput, o + kOutputPageIndexBase);
        Notify(Window::LayoutPage, kReplyOutput, o);
    }
    Notify(Window::OutputPage, kReplyOutput, kOutputPagePreview);
}

int ReplyDispatcher::OnAck(const std::uint8_t* r) {
    const std::uint8_t op = r[6], status = r[7], arg = r[8];
    m_host.StopTimer(kTimerKeepAlive);
    switch (op) {
    case kAckOutput:
        AckOutputApplied(status, arg);
        break;
    case kAckOutputWindow:
        if (status == 1)
            LinkEvent(kEventOutputWindow, 1);
        break;
    case kAckCrop:
        if (status == 1)
            LinkEvent(kEventCrop, 1);
        break;
    case kAckPicture:
        if (status == 0)
            LinkEvent(kEventPicture, 1);
        break;
    case kAckEdid:
        EndWait();
        LinkEvent(kEventEdid, status == 1 ? 0 : 1);
        break;
    case kAckUpgradeStep:
        if (m_host.WindowExists(Window::UpgradeDialog))
            Notify(Window::UpgradeDialog, kAckUpgradeStep, arg);
        break;
    case kAckStatus:
        LinkEvent(kEventStatus, 1);
        // The processor's answer to a frame mode: the frame sync page ends the wait it showed.
        Notify(Window::FramePage, kReplyAck, kAckStatus);
        break;
    case kAckGeneric:
        WaitAnswered();
        break;
    case kAckWifi:
        EndWait();
        LinkEvent(kEventWifi, status);
        break;
    case kAckTakenOver:
        EndWait();
        m_host.RedrawConnectDialog();
        m_session.MarkTakenOver();
        m_host.SendMessageTo(Window::ConnectDialog, WM_PORT_CLOSED, 0, 0);
        LinkEvent(kEventTakenOver, status);
        break;
    default:
        break;
    }
    m_host.StartTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
    return 1;
}

int ReplyDispatcher::OnDone() {
    WaitAnswered();
    return 1;
}

void ReplyDispatcher::WaitAnswered() {
    switch (m_session.FollowUp().Answered()) {
    case StateFollowUp::Action::EndWait:
        EndWait();
        break;
    case StateFollowUp::Action::RequestState:
        // The processor runs the recalled setting but has not told which: the wait (and its
        // time-out) goes on until the end of the state, which ends it as any synchronisation.
        m_session.RequestAll();
        break;
    case StateFollowUp::Action::KeepWaiting:
        break;
    }
}

int ReplyDispatcher::OnWifi(const std::uint8_t* r) {
    // SSID field: bytes 7..20 (14 bytes); password field: bytes 22..33 (11 bytes used).
    m_state.wifi.ssid = WifiText(r + 7, r[6], 14);
    m_state.wifi.password = WifiText(r + 22, r[21], 11);
    char ip[20];
    std::snprintf(ip, sizeof ip, "%d.%d.%d.%d", r[34], r[35], r[36], r[37]);
    m_state.wifi.ip = ip;
    Notify(Window::WifiDialog, kReplyWifi, 0);
    return 1;
}

int ReplyDispatcher::OnSysInfo(const std::uint8_t* r) {
    std::memcpy(m_link.sysInfo.data(), r + 6, kSysInfoSize);
    LinkEvent(kEventSysInfo, r[6]);
    return 1;
}

int ReplyDispatcher::OnPing() {
    if (m_state.linkState == kLinkSynchronised) {
        const Frame answer = MakeFrameByte6(kCmdPing, 0);
        m_host.SendToDevice(answer.data(), answer.size());
    }
    return 1;
}

int ReplyDispatcher::OnBootAnnounce(const std::uint8_t* r) {
    if (m_state.linkState != kLinkSynchronised) {
        EndWait();
        m_host.StartTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
        m_host.RefreshConnectDialog();
        m_session.MarkSynchronised();
        m_host.PostMessageTo(Window::MiscPage, WM_OPEN_UPGRADE, 0, 0);
        m_host.Pause(kBootAnnouncePauseMs);
    }
    if (m_host.WindowExists(Window::UpgradeDialog))
        Notify(Window::UpgradeDialog, kReplyBootAnnounce, r[6]);
    return 1;
}

} // namespace corvane

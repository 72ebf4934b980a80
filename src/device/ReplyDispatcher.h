#pragma once

// Applies each 39-byte record from the processor to DeviceState and to the link's members,
// and tells the windows concerned. It knows no window: it reaches them through DispatcherHost
// by their Window id, and reads what the output page picked from OutputPicks. Runs on the
// user-interface thread, one record at a time, in arrival order.

#include "device/DeviceState.h"
#include "device/DispatcherHost.h"
#include "device/LinkSession.h"
#include "device/OutputPicks.h"
#include "device/ReplyCodes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace corvane {

class ReplyDispatcher {
public:
    // `picks` is what the output page picked; without it, what the state holds is kept.
    ReplyDispatcher(DeviceState& state, LinkSession& session, DispatcherHost& host,
                    const OutputPicks* picks = nullptr);

    // Applies one record (kFrameSize bytes). Returns 1 when the code has a handler and the
    // record was applied, 0 for a code without a handler or a record whose index lies
    // outside the processor's arrays (ignored).
    int OnDeviceRecord(const std::uint8_t* record);

private:
    int OnEdid(const std::uint8_t* r);
    int OnInputStatus(const std::uint8_t* r);
    int OnVersions(const std::uint8_t* r);
    int OnCrop(const std::uint8_t* r);
    int OnLayer(const std::uint8_t* r);
    int OnBlend(const std::uint8_t* r);
    int OnCurve(const std::uint8_t* r);
    int OnOutput(const std::uint8_t* r);
    int OnPicture(const std::uint8_t* r);
    int OnAck(const std::uint8_t* r);
    int OnDone();
    int OnWifi(const std::uint8_t* r);
    int OnSysInfo(const std::uint8_t* r);
    int OnPing();
    int OnBootAnnounce(const std::uint8_t* r);

    void AckOutputApplied(std::uint8_t status, std::uint8_t which);
    void EndSynchronisation();
    // Acknowledgement 9 or 0x00B0: ends the wait, unless the command it answers (a preset
    // recall, a preset file) calls for the whole state first.
    void WaitAnswered();
    // Hides the wait overlay and stops its time-out.
    void EndWait();
    void Notify(Window window, std::uint32_t code, std::intptr_t index);
    void LinkEvent(std::uint32_t event, std::intptr_t detail);

    DeviceState& m_state;
    LinkSession& m_session;
    LinkMembers& m_link;
    DispatcherHost& m_host;
    OutputPicks m_noPicks;
    const OutputPicks& m_picks;
};

} // namespace corvane

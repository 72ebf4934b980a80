#pragma once

// Applies each 39-byte record from the processor to DeviceState and to the main
// window's link members, and tells the windows concerned. It reaches the rest of the
// application only through DispatcherHost, which the main window implements; tests use
// a recording fake. Runs on the user-interface thread, one record at a time, in arrival
// order.

#include "device/DeviceState.h"
#include "device/LinkMembers.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace corvane {

// The windows the dispatcher talks to.
enum class Window {
    MainWindow,
    LayoutPage,
    OutputPage,
    LayerPage,
    PicturePage,
    EdidPage,
    CropPage,
    MiscPage,
    FramePage,
    FusePage,
    WifiDialog,
    ConnectDialog,
    ProgressDialog,
    UpgradeDialog,
};

const char* WindowName(Window window);

// What acknowledgement 0 copies from the output page for one output: the row picked in
// its resolution list, its custom timing, and its window values (floating point on the page).
struct OutputPagePick {
    int row = 0;
    std::uint16_t customWidth = 0;
    std::uint16_t customHeight = 0;
    std::uint32_t customTag = 0;
    double winX = 0;
    double winY = 0;
    double winW = 0;
    double winH = 0;
};

class DispatcherHost {
public:
    virtual ~DispatcherHost() = default;

    // Synchronous send: the receiver has handled the message when this returns.
    virtual std::intptr_t SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
    // Queued post: the receiver handles it later, in posting order.
    virtual void PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) = 0;

    virtual void StartTimer(int id, std::chrono::milliseconds period) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void HideWait() = 0;
    virtual void SendToDevice(const std::uint8_t* data, std::size_t length) = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;

    virtual void RefreshConnectDialog() = 0; // the connection dialog's controls follow linkState
    virtual void RedrawConnectDialog() = 0;
    // True when the connection dialog is visible and was not opened by the operator.
    virtual bool ConnectDialogShownAutomatically() = 0;
    virtual void HideConnectDialog() = 0;
    virtual bool UpgradeDialogExists() = 0;

    virtual OutputPagePick OutputPageSelection(int output) = 0;
    virtual void OutputPageRefresh(int output) = 0;
    virtual void OutputPageRedrawPreview() = 0;
};

// Reply codes the processor sends.
enum ReplyCode : std::uint16_t {
    kReplyEdid = 0x00A2,
    kReplyInputStatus = 0x00A3,
    kReplyVersions = 0x00A4,
    kReplyCrop = 0x00A7,
    kReplyLayer = 0x00A8,
    kReplyBlend = 0x00A9,
    kReplyCurve = 0x00AA,
    kReplyOutput = 0x00AB,
    kReplyPicture = 0x00AC,
    kReplyKeepAlive = 0x00AD,
    kReplyAck = 0x00AE,
    kReplyDone = 0x00B0,
    kReplyWifi = 0x00B1,
    kReplySysInfo = 0x00B2,
    kReplyPing = 0x00B3,
    kReplyBootAnnounce = 0x8002,
};

// Acknowledged operations (byte 6 of reply 0xAE).
enum AckOperation : std::uint8_t {
    kAckOutput = 0,
    kAckOutputWindow = 1,
    kAckCrop = 2,
    kAckPicture = 3,
    kAckEdid = 4,
    kAckUpgradeStep = 7,
    kAckStatus = 8,
    kAckGeneric = 9,
    kAckWifi = 10,
    kAckTakenOver = 11,
};

// Pause after a boot-loader announce, before the upgrade dialog is told.
inline constexpr std::chrono::milliseconds kBootAnnouncePauseMs{20};

class ReplyDispatcher {
public:
    ReplyDispatcher(DeviceState& state, LinkMembers& link, DispatcherHost& host);

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
    void Notify(Window window, std::uint32_t code, std::intptr_t index);
    void LinkEvent(std::uint32_t event, std::intptr_t detail);

    DeviceState& m_state;
    LinkMembers& m_link;
    DispatcherHost& m_host;
};

} // namespace corvane

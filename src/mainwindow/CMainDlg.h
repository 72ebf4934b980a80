#pragma once

// The main window: the column with the logo, the canvas modes and the layer switches; the
// four input boxes, the nine page tabs and the connection status along the top; the pages
// beside the layout canvas. It owns the link's timers, decodes the processor's records (handed
// to it from the serial link's worker thread, one at a time, in arrival order), shows the
// results of acknowledgements, and sends the commands that belong to no page.

#include "device/LinkSupervision.h"
#include "device/ReplyDispatcher.h"
#include "layout/CLayoutDlg.h"
#include "layout/LayerPageHost.h"
#include "link/FXSerialPort.h"
#include "link/ui/ConnectionOwner.h"
#include "mainwindow/LinkEventBoxes.h"
#include "platform/WindowMessages.h"
#include "widgets/CBaseDialog.h"

#include <QRect>
#include <array>
#include <memory>

namespace corvane {

class CCorvaneApp;
class CConnectDlg;
class CGdipButton;
class CLayoutDlg;
class CPage;
class CProgressDlg;

// Private messages of the main window (not in the processor's protocol).
inline constexpr std::uint32_t WM_RECORD_RECEIVED = WM_USER + 700;   // wParam: pointer to 39 bytes
inline constexpr std::uint32_t WM_READBACK_RECEIVED = WM_USER + 701; // wParam: pointer to 1039 bytes

// Link event shown when a wait ends without an answer.
inline constexpr std::uint32_t kEventWaitTimedOut = 0x1000;

class CMainDlg : public CBaseDialog,
                 public SupervisionHost,
                 public ConnectionOwner,
                 public LinkOwner,
                 public LayoutPageHost,
                 public LayerPageHost {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;
    static constexpr int kPageCount = 9;
    // Page tabs 1001..1009 select these pages.
    enum PageIndex { kQuickSet, kOutput, kLayer, kPicture, kEdid, kCrop, kPresets, kFrameSync, kMisc };

    explicit CMainDlg(CCorvaneApp& app);
    ~CMainDlg() override;

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // Message table, own texts, every page's texts, redraw.
    void ApplyAllLanguage();
    // Shows page `index`; with `toggle`, the page shown already is hidden.
    void SelectPage(int index, int toggle);
    int CurrentPage() const { return m_currentPage; }
    // Layer editing (0) or output editing (1) on the canvas.
    void SetCanvasMode(std::uint32_t mode);

    // Stops taking records and closes the link. A worker handing a record to this window must
    // not be waiting for it: the application calls ShutDownWindowMessages() first.
    void ShutDownLink();

    // The parts tests look at.
    CConnectDlg* ConnectDialog() const { return m_connect; }
    CProgressDlg* WaitOverlay() const { return m_wait; }
    CBaseDialog* Page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    CLayoutDlg* LayoutPage() const { return m_layoutPage; }
    CGdipButton* LayerSwitch(int layer) const { return m_layerButtons[static_cast<std::size_t>(layer & 3)]; }
    LinkSupervision& Supervision() { return m_supervision; }
    const QRect& StatusArea() const { return m_statusRect; }
    QRect InputBox(int input) const { return m_inputRects[static_cast<std::size_t>(input)]; }
    CCorvaneApp& App() { return m_app; }
    LinkEventBoxes& LinkBoxes() { return m_linkBoxes; }

    // DispatcherHost
    std::intptr_t SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    void PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override;
    void StartTimer(int id, std::chrono::milliseconds period) override;
    void StopTimer(int id) override;
    void HideWait() override;
    void SendToDevice(const std::uint8_t* data, std::size_t length) override;
    void Pause(std::chrono::milliseconds duration) override;
    void RefreshConnectDialog() override;
    void RedrawConnectDialog() override;
    bool ConnectDialogShownAutomatically() override;
    void HideConnectDialog() override;
    bool UpgradeDialogExists() override;
    OutputPagePick OutputPageSelection(int output) override;
    void OutputPageRefresh(int output) override;
    void OutputPageRedrawPreview() override;
    // SupervisionHost
    void ShowWait(const std::string& text) override;
    std::vector<int> SerialPortNumbers() override;
    void WaitTimedOut() override;
    void Trace(const std::string& line) override;
    // ConnectionOwner
    LinkMembers& Link() override { return m_link; }
    bool WaitShown() const override;
    void RequestAll() override;
    void RedrawStatusArea() override;
    bool LampRedPhase() const override { return m_lampRed; }
    MessageWindow* UpgradeDialog() override { return nullptr; }
    // LinkOwner: called on the serial link's worker thread.
    void OnDeviceRecord(const std::uint8_t* record) override;
    void OnReadBackBlock(const std::uint8_t* block) override;
    void OnPortClosed() override;
    // LayoutPageHost
    MessageWindow* LayerPageWindow() override;
    MessageWindow* OutputPageWindow() override;
    bool LayerSwitchOn(int layer) override;
    // LayerPageHost
    MessageWindow* LayoutWindow() override;
    void SelectLayerCell(int layer) override;
    void SetLayerSwitch(int layer, bool on) override;

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void reject() override;

private:
    std::intptr_t OnTimer(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnRecord(std::uintptr_t record, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    std::intptr_t OnLinkEvent(std::uintptr_t event, std::intptr_t detail);
    std::intptr_t OnClosePage(std::uintptr_t, std::intptr_t kind);
    std::intptr_t OnSetLanguage(std::uintptr_t language, std::intptr_t);
    void OnTab(int id);
    void OnLayerSwitch(int id);
    void OnOutputMode();
    void OnLayerMode();
    void OnClearLayers();

    void LayOut();
    void ShowPageAt(int index, bool show);
    void PaintTab(int index, bool shown);
    void PaintInputs(QPainter& p);
    void PaintStatus(QPainter& p);
    void PaintWarning(QPainter& p);
    void ClickInput(int input);
    void SetInteractive(bool interactive);
    MessageWindow* WindowOf(Window window) const;
    std::string SystemInformationText() const;

    CCorvaneApp& m_app;
    LinkMembers m_link;
    ReplyDispatcher m_dispatcher;
    LinkSupervision m_supervision;

    std::array<CBaseDialog*, kPageCount> m_pages{};
    CLayoutDlg* m_layoutPage = nullptr;
    CPage* m_fusePage = nullptr;
    CPage* m_wifiPage = nullptr;
    CConnectDlg* m_connect = nullptr;
    CProgressDlg* m_wait = nullptr;
    std::array<CGdipButton*, kPageCount> m_tabs{};
    std::array<CGdipButton*, 4> m_layerButtons{};

    int m_currentPage = -1;
    std::uint32_t m_canvasMode = 0;
    bool m_lampRed = false;
    bool m_acceptRecords = true;
    std::array<QRect, 4> m_inputRects;
    QRect m_statusRect;
    QRect m_lampRect;
    QRect m_warningRect;
    LinkEventBoxes m_linkBoxes{this};
};

// Layer editing (0) or output editing (1): the mode of the layout canvas, process-wide.
extern std::uint32_t canvasEditMode;

} // namespace corvane

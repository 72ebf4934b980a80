#include "mainwindow/CMainDlg.h"

#include "layout/CLayerDlg.h"
#include "layout/CLayoutDlg.h"
#include "link/PortDiscovery.h"
#include "link/ui/CConnectDlg.h"
#include "mainwindow/CAboutDlg.h"
#include "mainwindow/CMessageboxDlg.h"
#include "mainwindow/CPage.h"
#include "mainwindow/MainLog.h"
#include "picture/CropFrames.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "ui_dialog102.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cstdio>

Q_LOGGING_CATEGORY(lcMain, "corvane.main", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTraffic, "corvane.traffic", QtWarningMsg)

namespace corvane {

std::uint32_t canvasEditMode = 0;

namespace {

constexpr int kColumnWidth = 110;
constexpr int kTopBand = 96;
constexpr int kPageLeft = 112;
constexpr int kPageTop = 94;
constexpr int kPageWidth = 320;
constexpr int kTabTop = 64;
constexpr int kTabWidth = 98;
constexpr int kTabHeight = 28;
constexpr int kLampSize = 16;
constexpr std::chrono::milliseconds kBlinkMs{300};

constexpr int kTabFirst = 1001;
constexpr int kLayerFirst = 1024;
constexpr int kOutputModeId = 1028;
constexpr int kLayerModeId = 1029;
constexpr int kStatusLabelId = 1030;
constexpr int kClearLayersId = 1033;

// Templates of the pages behind the tabs, in tab order.
constexpr int kPageTemplates[CMainDlg::kPageCount] = {183, 166, 179, 155, 146, 152, 187, 189, 165};

constexpr const char* kComponents[kSysInfoSize] = {
    "1. SYS_DEV_Sii9777",   "2. SYS_DEV_ADV7619_0",   "3. SYS_DEV_ADV7619_1", "4. SYS_DEV_Sii9134_0",
    "5. SYS_DEV_Sii9134_1", "6. SYS_DEV_Sii9134_2",   "7. SYS_DEV_Sii9134_3", "8. SYS_DEV_Ps176_DP1",
    "9. SYS_DEV_Ps176_DP2", "10. SYS_DEV_Stm32Flash", "11. SYS_DEV_FPGA",     "12. SYS_DEV_CDCE913",
    "13. SYS_DEV_wifi"};

QString Hex(const std::uint8_t* p, std::size_t n) {
    return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n)).toHex(' ');
}

QColor Rgb(QRgb c) {
    return QColor::fromRgb(c);
}

void CentreOn(QWidget* child, const QWidget* parent) {
    const QPoint centre = parent->rect().center();
    child->move(centre.x() - child->width() / 2, centre.y() - child->height() / 2);
}

} // namespace

CMainDlg::CMainDlg(CCorvaneApp& app)
    : CBaseDialog(kDialogId, nullptr, Frame::Page), m_app(app), m_dispatcher(app.state, m_link, *this),
      m_supervision(app.state, m_link, *this) {
    Ui::Dialog102 ui;
    ui.setupUi(this);
    SetHasTitleBand(false);
    SetCloseBox(false);
    SetNotifyParentOnClose(false);
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(QIcon(ResourceImage(images::kAppIcon)));
    setMinimumSize(1024, 600);
}

CMainDlg::~CMainDlg() {
    ShutDownLink();
}

void CMainDlg::ShutDownLink() {
    // A worker that is handing a record to this window waits for the user-interface thread;
    // the application releases such senders (ShutDownWindowMessages) before the window goes.
    m_acceptRecords = false;
    m_app.link.SetOwner(nullptr);
    m_app.link.Close();
}

bool CMainDlg::OnInitDialog() {
    for (int i = 0; i < kPageCount; ++i)
        m_tabs[static_cast<std::size_t>(i)] = Control<CGdipButton>(kTabFirst + i);
    for (int i = 0; i < 4; ++i)
        m_layerButtons[static_cast<std::size_t>(i)] = Control<CGdipButton>(kLayerFirst + i);
    for (int id : {kOutputModeId, kLayerModeId})
        if (auto* b = Control<QWidget>(id)) {
            QFont f = theme::ControlFont();
            f.setPointSizeF(f.pointSizeF() - 1.5);
            f.setBold(true);
            b->setFont(f);
        }
    for (CGdipButton* tab : m_tabs)
        if (tab) {
            tab->setCheckable(true);
            tab->SetTextColour(Rgb(theme::kInactive));
        }

    // The pages, in the order the processor's tools always made them.
    auto makePage = [this](int id, Frame frame = Frame::Page) {
        auto* page = new CPage(id, this, frame);
        page->Create();
        page->hide();
        return page;
    };
    const int order[] = {kPicture, kOutput, kLayer, kQuickSet, kEdid, kCrop, kPresets, kMisc, kFrameSync};
    for (int index : order) {
        if (index == kLayer) {
            auto* layer = new CLayerDlg(m_app.state, *this, this);
            layer->Create();
            layer->hide();
            m_pages[kLayer] = layer;
            continue;
        }
        m_pages[static_cast<std::size_t>(index)] = makePage(kPageTemplates[index]);
    }
    m_connect = new CConnectDlg(m_app, *this, this);
    m_connect->Create();
    m_connect->hide();
    m_layoutPage = new CLayoutDlg(m_app.state, *this, m_app.config, this);
    m_layoutPage->Create();
    m_layoutPage->show();
    m_wait = new CProgressDlg(this);
    m_wait->Create();
    m_wait->hide();
    m_fusePage = makePage(172, Frame::FloatingWindow);
    m_wifiPage = makePage(191, Frame::FloatingChild);

    ApplyAllLanguage();
    SetTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
    SetTimer(kTimerSearch, kSearchPeriodMs);
    SetCanvasMode(0);
    // The cells come after the first mode, so that layer 1's cell shows before the processor
    // has told the layers' switches.
    m_layoutPage->InitCanvas();
    LayOut();
    setWindowState(windowState() | Qt::WindowMaximized);

    m_app.link.SetOwner(this);
    return true;
}

std::intptr_t CMainDlg::WindowProc(const WindowMessage& m) {
    using Map = MessageMap<CMainDlg, CBaseDialog>;
    static const Map map{
        Map::Message(WM_TIMER, &CMainDlg::OnTimer),
        Map::Message(WM_RECORD_RECEIVED, &CMainDlg::OnRecord),
        Map::Message(WM_DEVICE_REPLY, &CMainDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CMainDlg::OnDeviceCommand),
        Map::Message(WM_LINK_EVENT, &CMainDlg::OnLinkEvent),
        Map::Message(WM_CLOSE_PAGE, &CMainDlg::OnClosePage),
        Map::Message(WM_SET_LANGUAGE, &CMainDlg::OnSetLanguage),
        Map::CommandRange(kTabFirst, kTabFirst + kPageCount - 1, &CMainDlg::OnTab),
        Map::CommandRange(kLayerFirst, kLayerFirst + 3, &CMainDlg::OnLayerSwitch),
        Map::Command(kOutputModeId, &CMainDlg::OnOutputMode),
        Map::Command(kLayerModeId, &CMainDlg::OnLayerMode),
        Map::Command(kClearLayersId, &CMainDlg::OnClearLayers),
    };
    if (m.message == WM_READBACK_RECEIVED) {
        m_link.keepAliveCount = 0; // the read-back goes to the upgrade dialog, which is not open
        return 0;
    }
    if (m.message == WM_SYSCOMMAND && m.wParam == 0x10) {
        CAboutDlg about(this);
        about.DoModal();
        return 0;
    }
    return map.Dispatch(*this, m);
}

// ---- records from the processor

void CMainDlg::OnDeviceRecord(const std::uint8_t* record) {
    // On the link's worker thread: decoded on the user-interface thread, which the worker waits
    // for, so records are handled one at a time in arrival order.
    TrySendWindowMessage(this, WM_RECORD_RECEIVED, reinterpret_cast<std::uintptr_t>(record), 0);
}

void CMainDlg::OnReadBackBlock(const std::uint8_t* block) {
    TrySendWindowMessage(this, WM_READBACK_RECEIVED, reinterpret_cast<std::uintptr_t>(block), 0);
}

void CMainDlg::OnPortClosed() {
    TrySendWindowMessage(m_connect, WM_PORT_CLOSED, 0, 0);
}

std::intptr_t CMainDlg::OnRecord(std::uintptr_t record, std::intptr_t) {
    if (!m_acceptRecords)
        return 0;
    const auto* r = reinterpret_cast<const std::uint8_t*>(record);
    qCDebug(lcTraffic).noquote() << "rx" << Hex(r, kFrameSize);
    return m_dispatcher.OnDeviceRecord(r);
}

// ---- DispatcherHost and SupervisionHost

MessageWindow* CMainDlg::WindowOf(Window window) const {
    switch (window) {
    case Window::MainWindow:
        return const_cast<CMainDlg*>(this);
    case Window::LayoutPage:
        return m_layoutPage;
    case Window::OutputPage:
        return m_pages[kOutput];
    case Window::LayerPage:
        return m_pages[kLayer];
    case Window::PicturePage:
        return m_pages[kPicture];
    case Window::EdidPage:
        return m_pages[kEdid];
    case Window::CropPage:
        return m_pages[kCrop];
    case Window::MiscPage:
        return m_pages[kMisc];
    case Window::FramePage:
        return m_pages[kFrameSync];
    case Window::FusePage:
        return m_fusePage;
    case Window::WifiDialog:
        return m_wifiPage;
    case Window::ConnectDialog:
        return m_connect;
    case Window::ProgressDialog:
        return m_wait;
    case Window::UpgradeDialog:
        return nullptr;
    }
    return nullptr;
}

std::intptr_t CMainDlg::SendMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    MessageWindow* target = WindowOf(window);
    return target ? SendWindowMessage(target, message, wParam, lParam) : 0;
}

void CMainDlg::PostMessageTo(Window window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    if (MessageWindow* target = WindowOf(window))
        PostWindowMessage(target, message, wParam, lParam);
}

void CMainDlg::StartTimer(int id, std::chrono::milliseconds period) {
    SetTimer(id, period);
}
void CMainDlg::StopTimer(int id) {
    KillTimer(id);
}

void CMainDlg::SendToDevice(const std::uint8_t* data, std::size_t length) {
    qCDebug(lcTraffic).noquote() << "tx" << Hex(data, length);
    m_app.SendToDevice(data, length);
}

void CMainDlg::Pause(std::chrono::milliseconds duration) {
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

void CMainDlg::RefreshConnectDialog() {
    m_connect->UpdateControls();
}
void CMainDlg::RedrawConnectDialog() {
    m_connect->update();
}
bool CMainDlg::ConnectDialogShownAutomatically() {
    return m_connect->ShownAutomatically();
}
void CMainDlg::HideConnectDialog() {
    m_connect->hide();
}
bool CMainDlg::UpgradeDialogExists() {
    return false;
}

OutputPagePick CMainDlg::OutputPageSelection(int output) {
    // The output page keeps the picks; until it has its own, they are what the state holds.
    const OutputInfo& o = m_app.state.outputs[static_cast<std::size_t>(output & 3)];
    OutputPagePick pick;
    pick.row = static_cast<int>(o.resIndex);
    pick.customWidth = m_app.state.customResolution.hActive;
    pick.customHeight = m_app.state.customResolution.vActive;
    pick.customTag = m_app.state.customResolution.tag;
    pick.winX = o.winX;
    pick.winY = o.winY;
    pick.winW = o.winW;
    pick.winH = o.winH;
    return pick;
}

void CMainDlg::OutputPageRefresh(int) {}

MessageWindow* CMainDlg::LayerPageWindow() {
    return m_pages[kLayer];
}

MessageWindow* CMainDlg::OutputPageWindow() {
    return m_pages[kOutput];
}

MessageWindow* CMainDlg::LayoutWindow() {
    return m_layoutPage;
}

void CMainDlg::SelectLayerCell(int layer) {
    if (m_layoutPage)
        m_layoutPage->SelectLayerCell(layer);
}

void CMainDlg::SetLayerSwitch(int layer, bool on) {
    CGdipButton* b = m_layerButtons[static_cast<std::size_t>(layer & 3)];
    if (!b)
        return;
    b->setChecked(on);
    b->update();
    OnLayerSwitch(kLayerFirst + (layer & 3));
}

bool CMainDlg::LayerSwitchOn(int layer) {
    const CGdipButton* b = m_layerButtons[static_cast<std::size_t>(layer & 3)];
    return b && b->isChecked();
}
void CMainDlg::OutputPageRedrawPreview() {}

void CMainDlg::ShowWait(const std::string& text) {
    m_wait->SetWaitText(QString::fromStdString(text));
    CentreOn(m_wait, this);
    m_wait->show();
    m_wait->raise();
    SetInteractive(false);
    SetTimer(kTimerWait, kWaitTimeoutMs);
}

void CMainDlg::HideWait() {
    if (m_wait->isVisible()) {
        m_wait->hide();
        SetInteractive(true);
    }
    CentreOn(m_wait, this);
}

bool CMainDlg::WaitShown() const {
    return m_wait && m_wait->isVisible();
}

void CMainDlg::SetInteractive(bool interactive) {
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w != m_wait)
            w->setEnabled(interactive);
    }
}

std::vector<int> CMainDlg::SerialPortNumbers() {
    std::vector<SerialPortEntry> ports;
    EnumerateSerialPorts(ports);
    std::vector<int> numbers;
    for (const SerialPortEntry& e : ports)
        numbers.push_back(static_cast<int>(e.number));
    return numbers;
}

void CMainDlg::WaitTimedOut() {
    qCWarning(lcMain) << "no answer from the processor within" << kWaitTimeoutMs.count()
                      << "ms: closing the port";
    PostWindowMessage(this, WM_LINK_EVENT, kEventWaitTimedOut, 0);
}

void CMainDlg::Trace(const std::string& line) {
    qCDebug(lcMain).noquote() << QString::fromStdString(line);
}

void CMainDlg::RequestAll() {
    m_supervision.RequestAll();
}

void CMainDlg::RedrawStatusArea() {
    update(m_statusRect);
}

// ---- timers and messages

std::intptr_t CMainDlg::OnTimer(std::uintptr_t id, std::intptr_t) {
    switch (static_cast<int>(id)) {
    case kTimerKeepAlive:
        m_supervision.OnKeepAliveTick();
        break;
    case kTimerWait:
        m_supervision.OnWaitTimeout();
        break;
    case kTimerSearch:
        m_supervision.OnSearchTick();
        break;
    case kTimerBlink:
        KillTimer(kTimerBlink);
        update(m_statusRect);
        if (m_connect)
            m_connect->update();
        break;
    default:
        break;
    }
    return 0;
}

std::intptr_t CMainDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    if (code == 0xA3) {
        update(QRect(kColumnWidth, 0, width() - kColumnWidth, kTopBand));
    } else if (code == 0xA8 && index >= 0 && index < 4) {
        CGdipButton* b = m_layerButtons[static_cast<std::size_t>(index)];
        if (b) {
            b->setChecked(m_app.state.layers[static_cast<std::size_t>(index)].visible != 0);
            b->update();
        }
    }
    return 0;
}

std::intptr_t CMainDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (m_app.state.linkState != kLinkSynchronised)
        return -1;
    if (code == kCmdSelectInput || code == kCmdLoadPreset || code == kCmdSysInfo || code == kCmdPing) {
        const corvane::Frame f =
            MakeFrameByte6(static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(argument));
        SendToDevice(f.data(), f.size());
    }
    return 0;
}

std::string CMainDlg::SystemInformationText() const {
    std::string text;
    for (int i = 0; i < kSysInfoSize; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "%-25s\t: %s\n", kComponents[i],
                      m_link.sysInfo[static_cast<std::size_t>(i)] == 1 ? "√ " : "X");
        text += line;
    }
    return text;
}

std::intptr_t CMainDlg::OnLinkEvent(std::uintptr_t event, std::intptr_t detail) {
    struct Shown {
        std::uint32_t event;
        int detail; // -1: any
        int text;
        int title;
    };
    static const Shown table[] = {
        {1, 1, kMsgOutputWindowFailed, kMsgOutputSetting}, {2, 1, kMsgInputCropFailed, kMsgImageCrop},
        {3, 1, kMsgInputCropFailed, kMsgPictureSetting},   {4, 0, kMsgSetUpSuccess, kMsgEdidSettings},
        {4, 1, kMsgSetUpFailure, kMsgEdidSettings},        {10, 0, kMsgSetUpFailure, kMsgWifiConfigure},
        {10, 1, kMsgSetUpSuccess, kMsgWifiConfigure},      {11, -1, kMsgOtherClientConnected, kMsgTips},
        {0xAB, 0, kMsgSetUpSuccess, kMsgOutputSetting},    {0xAB, 1, kMsgSetUpFailure, kMsgOutputSetting},
    };
    if (event == 8) {
        m_link.statusFlag = detail != 0 ? 1 : 0;
        update(m_warningRect);
        return 0;
    }
    // Shown without a loop of their own, one box at a time; a repeat updates its box.
    if (event == 0xB2) {
        m_linkBoxes.Show(0xB2, "SysInfo", SystemInformationText());
        return 0;
    }
    if (event == kEventWaitTimedOut) {
        m_linkBoxes.Show(kEventWaitTimedOut, Tr("Tips", "提示"),
                         Tr("Get Data From Desitination Timeout!", "从机器获取数据超时"));
        return 0;
    }
    for (const Shown& s : table)
        if (s.event == event && (s.detail < 0 || s.detail == detail)) {
            m_linkBoxes.Show((s.event << 8) | static_cast<std::uint8_t>(s.detail), MessageText(s.title),
                             MessageText(s.text));
            break;
        }
    return 0;
}

std::intptr_t CMainDlg::OnClosePage(std::uintptr_t, std::intptr_t kind) {
    if (kind == 0 && m_currentPage >= 0) {
        PaintTab(m_currentPage, false);
        m_currentPage = -1;
        LayOut();
    }
    return 0;
}

std::intptr_t CMainDlg::OnSetLanguage(std::uintptr_t language, std::intptr_t) {
    if (language > 1)
        return 0;
    SelectLanguage(language == 0 ? "English" : "Chinese");
    ApplyAllLanguage();
    return 0;
}

void CMainDlg::ApplyAllLanguage() {
    ReloadMessageTable();
    ApplyDialogTexts(this, kDialogId);
    for (CBaseDialog* page : m_pages)
        if (page)
            page->ApplyLanguage();
    for (CBaseDialog* d : {static_cast<CBaseDialog*>(m_layoutPage), static_cast<CBaseDialog*>(m_connect),
                           static_cast<CBaseDialog*>(m_wait), static_cast<CBaseDialog*>(m_fusePage),
                           static_cast<CBaseDialog*>(m_wifiPage)})
        if (d)
            d->ApplyLanguage();
    update();
}

// ---- pages and tabs

void CMainDlg::PaintTab(int index, bool shown) {
    CGdipButton* tab = m_tabs[static_cast<std::size_t>(index)];
    if (!tab)
        return;
    tab->setChecked(shown);
    tab->SetTextColour(Rgb(shown ? theme::kOrange : theme::kInactive));
    tab->update();
}

void CMainDlg::ShowPageAt(int index, bool show) {
    CBaseDialog* page = m_pages[static_cast<std::size_t>(index)];
    if (page)
        page->ShowPage(show);
    if (show && (index == kOutput || index == kLayer))
        SetCanvasMode(index == kOutput ? 1 : 0);
}

void CMainDlg::SelectPage(int index, int toggle) {
    if (index < 0 || index >= kPageCount)
        return;
    if (m_currentPage >= 0 && m_currentPage != index) {
        ShowPageAt(m_currentPage, false);
        PaintTab(m_currentPage, false);
    }
    if (index == kEdid) {
        // Sent whatever the link: the EDID page shows what the processor holds.
        const corvane::Frame f =
            MakeFrameByte6(kCmdEdidRequest, static_cast<std::uint8_t>(m_app.state.currentInput));
        SendToDevice(f.data(), f.size());
    }
    if (index == m_currentPage) {
        if (toggle) {
            ShowPageAt(index, false);
            PaintTab(index, false);
            m_currentPage = -1;
            LayOut();
        }
        return;
    }
    const bool wasNone = m_currentPage < 0;
    m_currentPage = index;
    if (wasNone)
        LayOut();
    ShowPageAt(index, true);
    PaintTab(index, true);
    LayOut();
}

void CMainDlg::OnTab(int id) {
    SelectPage(id - kTabFirst, 1);
}

void CMainDlg::SetCanvasMode(std::uint32_t mode) {
    canvasEditMode = mode;
    if (auto* b = Control<CGdipButton>(kOutputModeId))
        b->setChecked(mode == 1);
    if (auto* b = Control<CGdipButton>(kLayerModeId))
        b->setChecked(mode == 0);
    // Output editing hides the layer switches and "Clear all layers".
    for (CGdipButton* b : m_layerButtons)
        if (b)
            b->setVisible(mode == 0);
    if (auto* clear = Control<QWidget>(kClearLayersId))
        clear->setVisible(mode == 0);
    if (m_layoutPage)
        m_layoutPage->SetMode(mode);
}

void CMainDlg::OnOutputMode() {
    SetCanvasMode(1);
}
void CMainDlg::OnLayerMode() {
    SetCanvasMode(0);
}

void CMainDlg::OnLayerSwitch(int id) {
    const int i = id - kLayerFirst;
    CGdipButton* b = m_layerButtons[static_cast<std::size_t>(i)];
    const bool on = b && b->isChecked();
    m_app.state.layers[static_cast<std::size_t>(i)].visible = on ? 1 : 0;
    m_layoutPage->LayerSwitched(i, on);
    PostWindowMessage(m_layoutPage, WM_LAYOUT_COMMAND, 0, i);
    PostWindowMessage(m_pages[kLayer], WM_DEVICE_REPLY, 0xAB, i);
}

void CMainDlg::OnClearLayers() {
    for (int i = 0; i < 4; ++i) {
        CGdipButton* b = m_layerButtons[static_cast<std::size_t>(i)];
        if (b && b->isChecked()) {
            b->setChecked(false);
            OnLayerSwitch(kLayerFirst + i);
        }
    }
}

// ---- input boxes, status area, warning

void CMainDlg::ClickInput(int input) {
    DeviceState& s = m_app.state;
    const int old = static_cast<int>(s.currentInput);
    if (input == old)
        return;
    if (ShowMessageBox(this, MessageText(kMsgSelectInputSource), MessageText(kMsgChangeInputSource),
                       CMessageboxDlg::kModeQuestion) != IDOK)
        return;
    if (old >= 0 && old < 4)
        s.inputs[static_cast<std::size_t>(old)].signal = 0;
    s.currentInput = static_cast<std::uint32_t>(input);
    if (s.linkState == kLinkSynchronised && old >= 0 && old < 4 &&
        s.crop.rects[static_cast<std::size_t>(old)].on) {
        s.crop.rects[static_cast<std::size_t>(old)].on = 0;
        const corvane::Frame f = BuildCropFrame(s, old, kCropSet);
        SendToDevice(f.data(), f.size());
    }
    PostWindowMessage(m_pages[kFrameSync], WM_DEVICE_REPLY, 0xA3, 0);
    PostWindowMessage(this, WM_LINK_EVENT, 8, 0);
    SendWindowMessage(m_layoutPage, WM_INPUT_CHANGED, 0, 0);
    SendWindowMessage(m_pages[kCrop], WM_DEVICE_REPLY, 0xA7, input);
    SendWindowMessage(m_pages[kEdid], WM_DEVICE_REPLY, 0xA7, input);
    SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdSelectInput, input);
    update(QRect(kColumnWidth, 0, width() - kColumnWidth, kTopBand));
}

void CMainDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        for (int i = 0; i < 4; ++i)
            if (m_inputRects[static_cast<std::size_t>(i)].contains(p)) {
                ClickInput(i);
                return;
            }
        if (m_statusRect.contains(p)) {
            if (!m_connect->isVisible())
                m_connect->ShowFromStatusArea();
            return;
        }
        if (m_link.statusFlag && m_warningRect.contains(p) && m_currentPage != kFrameSync) {
            SelectPage(kFrameSync, 1);
            return;
        }
    }
    CBaseDialog::mousePressEvent(event);
}

void CMainDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_statusRect.contains(event->position().toPoint())) {
        if (m_app.state.linkState == kLinkSynchronised)
            SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdSysInfo, 0);
        else
            ShowMessageBox(this, MessageText(kMsgTips), MessageText(kMsgOpenSerial));
        return;
    }
    CBaseDialog::mouseDoubleClickEvent(event);
}

void CMainDlg::reject() {
    // Closing the main window ends the program.
    EndDialog(IDCANCEL);
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
    CBaseDialog::resizeEvent(event);
    LayOut();
}

void CMainDlg::LayOut() {
    const int W = width(), H = height();
    const int statusWidth = std::min(360, W / 4);
    const int boxWidth = (W - statusWidth - 24 - kPageLeft - 3 * 6) / 4;
    for (int i = 0; i < 4; ++i)
        m_inputRects[static_cast<std::size_t>(i)] = QRect(kPageLeft + i * (boxWidth + 6), 6, boxWidth, 52);
    for (int i = 0; i < kPageCount; ++i)
        if (CGdipButton* tab = m_tabs[static_cast<std::size_t>(i)])
            tab->setGeometry(kPageLeft + i * (kTabWidth + 2), kTabTop, kTabWidth, kTabHeight);
    m_statusRect = QRect(W - statusWidth - 12, 6, statusWidth, 52);
    if (auto* label = Control<QWidget>(kStatusLabelId)) {
        label->setGeometry(m_statusRect.left() + 12, m_statusRect.top() + 8, 150, 20);
        m_lampRect = QRect(label->geometry().right() + 8, label->geometry().top() + 2, kLampSize, kLampSize);
    }
    m_warningRect = QRect(4, H - 190, kColumnWidth - 8, 140);
    for (CBaseDialog* page : m_pages)
        if (page)
            page->setGeometry(kPageLeft, kPageTop, kPageWidth, H - kPageTop);
    if (m_layoutPage) {
        const int left = m_currentPage < 0 ? kColumnWidth : kPageLeft + kPageWidth;
        m_layoutPage->setGeometry(QRect(QPoint(left, kTopBand), QPoint(W - 24, H - 45)));
    }
    update();
}

void CMainDlg::paintEvent(QPaintEvent* event) {
    CBaseDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The column and the top band on the panel colour.
    p.fillRect(QRect(0, 0, kColumnWidth, height()), Rgb(theme::kPanel));
    p.fillRect(QRect(kColumnWidth, 0, width() - kColumnWidth, kTopBand - 36), Rgb(theme::kPanel));
    p.setPen(Rgb(theme::kFrameLine));
    p.drawLine(kColumnWidth - 1, 0, kColumnWidth - 1, height());
    PaintInputs(p);
    PaintStatus(p);
    PaintWarning(p);
}

void CMainDlg::PaintInputs(QPainter& p) {
    const DeviceState& s = m_app.state;
    for (int i = 0; i < 4; ++i) {
        const QRect r = m_inputRects[static_cast<std::size_t>(i)];
        const InputInfo& in = s.inputs[static_cast<std::size_t>(i)];
        const bool current = s.currentInput == static_cast<std::uint32_t>(i);
        const bool signal = in.signal != 0;
        p.setPen(QPen(Rgb(current ? theme::kOrange : theme::kFrameLine), current ? 1.5 : 1));
        p.setBrush(Rgb(theme::kBackground));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        const int icon = current ? (signal ? 142 : 143) : (signal ? 141 : 140);
        const QPixmap pixmap = ResourceImage(icon);
        const QRect iconRect(r.left() + 6, r.top() + (r.height() - 36) / 2, 48, 36);
        p.drawPixmap(iconRect, pixmap);
        const QRect text(iconRect.right() + 8, r.top() + 6, r.right() - iconRect.right() - 12,
                         r.height() - 12);
        p.setFont(theme::SmallFont());
        p.setPen(Rgb(current ? theme::kOrange : theme::kInactive));
        p.drawText(text, Qt::AlignLeft | (signal ? Qt::AlignTop : Qt::AlignVCenter),
                   QString::fromStdString(in.name));
        if (signal) {
            char res[40];
            std::snprintf(res, sizeof res, "%dx%d %dHz", in.width, in.height, in.refreshX10 / 10);
            p.setFont(theme::ControlFont());
            p.setPen(Rgb(theme::kStaticText));
            p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, QString::fromLatin1(res));
        }
    }
}

void CMainDlg::PaintStatus(QPainter& p) {
    p.setPen(QPen(Rgb(theme::kFrameLine), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(m_statusRect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    const QRectF lamp(m_lampRect);
    if (m_link.connected == 1) {
        p.setPen(QPen(QColor(0, 120, 0), 1));
        p.setBrush(QColor(0, 255, 0));
        p.drawRect(lamp);
    } else {
        m_lampRed = !m_lampRed;
        p.setPen(QPen(QColor(255, 0, 0), 1.5));
        p.setBrush(Qt::NoBrush);
        if (m_lampRed) {
            p.setBrush(QColor(255, 0, 0, 60));
            p.drawRect(lamp);
            p.drawLine(lamp.topLeft(), lamp.bottomRight());
            p.drawLine(lamp.topRight(), lamp.bottomLeft());
        }
        SetTimer(kTimerBlink, kBlinkMs);
    }
    // Where the link stands, in words, beside the lamp.
    QString where;
    if (m_app.state.linkState != kLinkClosed && m_link.lastPort > 0)
        where = QStringLiteral("COM%1  %2 baud").arg(m_link.lastPort).arg(m_link.baudRate);
    if (!where.isEmpty()) {
        p.setFont(theme::ControlFont());
        p.setPen(Rgb(m_link.connected ? theme::kOrange : theme::kStaticText));
        p.drawText(QRect(m_lampRect.right() + 14, m_lampRect.top() - 2, 220, 20),
                   Qt::AlignLeft | Qt::AlignVCenter, where);
    }
}

void CMainDlg::PaintWarning(QPainter& p) {
    if (!m_link.statusFlag)
        return;
    p.setPen(QPen(Rgb(theme::kOrange), 1));
    p.setBrush(QColor(239, 156, 0, 30));
    p.drawRoundedRect(QRectF(m_warningRect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setFont(theme::ControlFont());
    p.drawText(m_warningRect.adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWordWrap,
               QString::fromStdString(MessageText(kMsgFpsDifference)));
}

} // namespace corvane

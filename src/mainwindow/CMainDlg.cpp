#include "mainwindow/CMainDlg.h"

#include "connection/CConnectDlg.h"
#include "device/EditRecorder.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CMessageboxDlg.h"
#include "layout/CLayoutDlg.h"
#include "mainwindow/CInputBoxes.h"
#include "mainwindow/CStatusArea.h"
#include "mainwindow/CWarningArea.h"
#include "mainwindow/ControlGateway.h"
#include "mainwindow/LinkEventMessages.h"
#include "mainwindow/MainLog.h"
#include "pages/EditAction.h"
#include "picture/CropPageCalls.h"
#include "picture/InputChange.h"
#include "platform/ui/MessageMap.h"
#include "presets/PresetFile.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "ui_dialog102.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CGdipButton.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"

#include <QMenu>

Q_LOGGING_CATEGORY(lcMain, "corvane.main", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTraffic, "corvane.traffic", QtWarningMsg)

namespace corvane {

namespace {

constexpr int kTabFirst = 1001;

QColor Rgb(QRgb c) {
    return QColor::fromRgb(c);
}

} // namespace

CMainDlg::CMainDlg(CCorvaneApp& app)
    : CBaseDialog(kDialogId, nullptr, Frame::Page), m_app(app), m_services(app, *this) {
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
    m_services.ShutDownLink();
}

bool CMainDlg::OnInitDialog() {
    for (int i = 0; i < kPageCount; ++i)
        m_tabs[static_cast<std::size_t>(i)] = Control<CGdipButton>(kTabFirst + i);
    for (int i = 0; i < kLayerCount; ++i)
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
    m_inputs = new CInputBoxes(m_app.state, this);
    connect(m_inputs, &CInputBoxes::inputClicked, this, &CMainDlg::ClickInput);
    m_status = new CStatusArea(m_app.state, Link(), this);
    connect(m_status, &CStatusArea::clicked, this, [this] {
        if (!ConnectDialog()->isVisible())
            ConnectDialog()->ShowFromStatusArea();
    });
    connect(m_status, &CStatusArea::doubleClicked, this, &CMainDlg::AskSystemInformation);
    connect(m_status, &CStatusArea::blinked, this, [this] { ConnectDialog()->update(); });
    if (QWidget* label = Control<QWidget>(kStatusLabelId))
        label->raise();
    m_warning = new CWarningArea(Link(), this);
    connect(m_warning, &CWarningArea::clicked, this, [this] {
        if (m_currentPage != kFrameSync)
            SelectPage(kFrameSync, 1);
    });
    // On this platform the window's menu is the logo's: it holds the about item.
    m_logoMenu = new QMenu(this);
    m_logoMenu->addAction(QString::fromUtf8(CAboutDlg::kMenuText).remove(QLatin1Char('&')), this,
                          [this] { PostWindowMessage(this, WM_SYSCOMMAND, kAboutCommand, 0); });
    SetUpUndo();

    m_pages.CreateAll(m_services, this);
    ApplyAllLanguage();
    SetTimer(kTimerKeepAlive, kKeepAlivePeriodMs);
    SetTimer(kTimerSearch, kSearchPeriodMs);
    SetCanvasMode(0);
    // The cells come after the first mode, so that layer 1's cell shows before the processor
    // has told the layers' switches.
    LayoutPage()->InitCanvas();
    LayoutPage()->show();
    LayOut();
    setWindowState(windowState() | Qt::WindowMaximized);

    m_services.StartTakingRecords();
    m_services.StartWatchingPorts();
    PostWindowMessage(this, WM_SERIAL_ACCESS_HELP, 0, 0);
    m_control = ControlGateway::StartIfEnabled(*this);
    return true;
}

std::intptr_t CMainDlg::WindowProc(const WindowMessage& m) {
    using Map = MessageMap<CMainDlg, CBaseDialog>;
    static const Map map{
        Map::Message(WM_TIMER, &CMainDlg::OnTimer),
        Map::Message(WM_DEVICE_REPLY, &CMainDlg::OnDeviceReply),
        Map::Message(WM_DEVICE_COMMAND, &CMainDlg::OnDeviceCommand),
        Map::Message(WM_LINK_EVENT, &CMainDlg::OnLinkEvent),
        Map::Message(WM_CLOSE_PAGE, &CMainDlg::OnClosePage),
        Map::Message(WM_SET_LANGUAGE, &CMainDlg::OnSetLanguage),
        Map::Message(WM_SYSCOMMAND, &CMainDlg::OnSysCommand),
        Map::Message(WM_DEVICECHANGE, &CMainDlg::OnDeviceChange),
        Map::CommandRange(kTabFirst, kTabFirst + kPageCount - 1, &CMainDlg::OnTab),
        Map::CommandRange(kLayerFirst, kLayerFirst + kLayerCount - 1, &CMainDlg::OnLayerSwitch),
        Map::Command(kOutputModeId, &CMainDlg::OnOutputMode),
        Map::Command(kLayerModeId, &CMainDlg::OnLayerMode),
        Map::Command(kClearLayersId, &CMainDlg::OnClearLayers),
        Map::Command(kLogoId, &CMainDlg::OnLogo),
    };
    if (m.message == WM_RECORD_RECEIVED || m.message == WM_READBACK_RECEIVED)
        return m_services.OnReceived(m);
    if (m.message == WM_LINK_PORT_CLOSED) {
        m_services.OnLinkPortClosed(static_cast<std::uint32_t>(m.wParam));
        return 0;
    }
    if (m.message == WM_LINK_WRITE_LEFT) {
        m_services.OnLinkWriteLeft(m.wParam, m.lParam);
        return 0;
    }
    if (m.message == WM_SERIAL_ACCESS_HELP) {
        m_services.OfferSerialAccessHelp();
        return 0;
    }
    return map.Dispatch(*this, m);
}

std::intptr_t CMainDlg::OnDeviceChange(std::uintptr_t event, std::intptr_t) {
    if (event == DBT_DEVNODES_CHANGED)
        m_services.OnDeviceChange();
    return 0;
}

std::intptr_t CMainDlg::OnSysCommand(std::uintptr_t command, std::intptr_t lParam) {
    if (command != kAboutCommand)
        return CBaseDialog::WindowProc({WM_SYSCOMMAND, command, lParam});
    CAboutDlg about(this);
    about.DoModal();
    return 0;
}

void CMainDlg::OnLogo() {
    if (CGdipButton* logo = Control<CGdipButton>(kLogoId))
        m_logoMenu->popup(logo->mapToGlobal(logo->rect().bottomLeft()));
}

// ---- timers and messages

std::intptr_t CMainDlg::OnTimer(std::uintptr_t id, std::intptr_t) {
    switch (static_cast<int>(id)) {
    case kTimerKeepAlive:
        Supervision().OnKeepAliveTick();
        break;
    case kTimerWait:
        Supervision().OnWaitTimeout();
        break;
    case kTimerSearch:
        Supervision().OnSearchTick();
        break;
    default:
        break;
    }
    return 0;
}

std::intptr_t CMainDlg::OnDeviceReply(std::uintptr_t code, std::intptr_t index) {
    if (code == kReplyInputStatus) {
        m_inputs->update();
    } else if (code == kReplyLayer && index >= 0 && index < kLayerCount) {
        if (CGdipButton* b = m_layerButtons[static_cast<std::size_t>(index)]) {
            b->setChecked(m_app.state.layers[static_cast<std::size_t>(index)].visible != 0);
            b->update();
        }
    }
    return 0;
}

std::intptr_t CMainDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (m_app.state.linkState != kLinkSynchronised)
        return -1;
    if (code == kCmdLoadPreset) {
        // The recall of a preset the processor keeps is built where the preset files are.
        const corvane::Frame f = BuildPresetRecallFrame(argument);
        m_services.SendToDevice(f.data(), f.size());
    } else if (code == kCmdSelectInput || code == kCmdSysInfo || code == kCmdPing) {
        const corvane::Frame f =
            MakeFrameByte6(static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(argument));
        m_services.SendToDevice(f.data(), f.size());
    }
    return 0;
}

std::intptr_t CMainDlg::OnLinkEvent(std::uintptr_t event, std::intptr_t detail) {
    if (event == kEventStatus) {
        Link().statusFlag = detail != 0;
        m_warning->update();
    } else if (const auto shown = MessageForLinkEvent(static_cast<std::uint32_t>(event), detail, Link())) {
        // Shown without a loop of their own, one box at a time; a repeat updates its box.
        m_linkBoxes.Show(shown->kind, shown->title, shown->text);
    }
    return 0;
}

std::intptr_t CMainDlg::OnClosePage(std::uintptr_t, std::intptr_t kind) {
    if (kind == 0 && m_currentPage >= 0) {
        ShowPageAt(m_currentPage, false);
        PaintTab(m_currentPage, false);
        m_currentPage = -1;
        LayOut();
    }
    return 0;
}

std::intptr_t CMainDlg::OnSetLanguage(std::uintptr_t language, std::intptr_t) {
    if (language > 1)
        return 0;
    const char* name = language == 0 ? "English" : "Chinese";
    SelectLanguage(name);
    languageCtrlId = LanguageCtrlIdFor(name);
    ApplyAllLanguage();
    return 0;
}

void CMainDlg::ApplyAllLanguage() {
    ReloadMessageTable();
    m_services.Edits()->SetChinese(m_services.LanguageName() == "Chinese");
    ApplyDialogTexts(this, kDialogId);
    for (const PageSet::Entry& e : m_pages.Entries())
        e.page->ApplyLanguage();
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
    if (CBaseDialog* page = m_pages.TabPage(index))
        page->ShowPage(show);
    // The output page edits the outputs on the canvas, the layer page the layers; without the
    // output page the canvas is back to the layers.
    if (index == kOutput)
        SetCanvasMode(show ? 1 : 0);
    else if (index == kLayer)
        SetCanvasMode(0);
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
        m_services.SendToDevice(f.data(), f.size());
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

bool CMainDlg::LampRedPhase() const {
    return m_status && m_status->RedPhase();
}

void CMainDlg::SetInteractive(bool interactive) {
    const QWidget* wait = WaitOverlay();
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w != wait)
            w->setEnabled(interactive);
    }
}

// ---- input boxes, status area, warning

void CMainDlg::ClickInput(int input) {
    if (input == static_cast<int>(m_app.state.currentInput))
        return;
    if (m_services.ShowMessage(MessageText(kMsgSelectInputSource), MessageText(kMsgChangeInputSource),
                               CMessageboxDlg::kModeQuestion) != IDOK)
        return;
    SelectInput(input);
}

bool CMainDlg::SelectInput(int input) {
    if (input < 0 || input >= kInputCount || input == static_cast<int>(m_app.state.currentInput))
        return false;
    // An input change is not undone (nor is the old input's crop it switches off).
    const EditAction unrecorded(m_services, std::string(), false);
    const auto previous = static_cast<int>(m_app.state.currentInput);
    if (!ChangeCurrentInput(m_app.state, input))
        return false;
    if (auto* crop = m_services.CallsOf<CropPageCalls>(Window::CropPage))
        crop->CropOff(previous);
    PostWindowMessage(m_pages.Find(Window::FramePage), WM_DEVICE_REPLY, kReplyInputStatus, 0);
    PostWindowMessage(this, WM_LINK_EVENT, kEventStatus, 0);
    SendWindowMessage(LayoutPage(), WM_INPUT_CHANGED, 0, 0);
    SendWindowMessage(m_pages.Find(Window::CropPage), WM_DEVICE_REPLY, kReplyCrop, input);
    SendWindowMessage(m_pages.Find(Window::EdidPage), WM_DEVICE_REPLY, kReplyCrop, input);
    SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdSelectInput, input);
    m_inputs->update();
    return true;
}

void CMainDlg::AskSystemInformation() {
    if (m_app.state.linkState == kLinkSynchronised)
        SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdSysInfo, 0);
    else
        m_services.ShowMessage(MessageText(kMsgTips), MessageText(kMsgOpenSerial));
}

void CMainDlg::reject() {
    // Closing the main window ends the program.
    EndDialog(IDCANCEL);
}
} // namespace corvane

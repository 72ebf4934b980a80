#pragma once

// The main window: the column with the logo, the canvas modes and the layer switches; the
// input boxes, the nine page tabs and the status area along the top; the pages of the page
// table beside the layout canvas. It routes: the link's records to the dispatcher (handed over
// from the serial link's worker thread, one at a time, in arrival order), the link events to
// message boxes, the tabs to their pages; and lays the window out. The services behind it
// (pages' context, the link session, dispatcher and supervision) are MainServices. Its member
// functions are spread by job: the layout of the window (CMainDlgLayout.cpp), the canvas modes
// and the layer switches (CMainDlgLayers.cpp), undo and redo (CMainDlgUndo.cpp).

#include "link/FXSerialPort.h"
#include "mainwindow/LinkEventBoxes.h"
#include "mainwindow/MainServices.h"
#include "mainwindow/Pages.h"
#include "pages/MainWindowCalls.h"
#include "platform/WindowMessages.h"
#include "widgets/CBaseDialog.h"

#include <QRect>
#include <array>
#include <memory>

class QAction;
class QMenu;

namespace corvane {

class CCorvaneApp;
class CConnectDlg;
class CGdipButton;
class CInputBoxes;
class CLayoutDlg;
class CProgressDlg;
class CStatusArea;
class CWarningArea;
class ControlGateway;

class CMainDlg : public CBaseDialog, public MainWindowCalls {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;
    static constexpr int kLogoId = 1000;
    // The column's controls: the layer switches 1024..1027, the canvas modes, "Clear all
    // layers"; and the status area's caption.
    static constexpr int kLayerFirst = 1024;
    static constexpr int kOutputModeId = 1028;
    static constexpr int kLayerModeId = 1029;
    static constexpr int kStatusLabelId = 1030;
    static constexpr int kClearLayersId = 1033;
    // The about item of the window's menu (the logo's menu on this platform).
    static constexpr int kAboutCommand = 0x10;
    // Object names of the menu's undo and redo items.
    static constexpr const char* kUndoItemName = "undo";
    static constexpr const char* kRedoItemName = "redo";

    explicit CMainDlg(CCorvaneApp& app);
    ~CMainDlg() override;

    std::intptr_t WindowProc(const WindowMessage& message) override;

    // Message table, own texts, every page's texts, redraw.
    void ApplyAllLanguage();
    // Shows page `index`; with `toggle`, the page shown already is hidden.
    void SelectPage(int index, int toggle);
    int CurrentPage() const { return m_currentPage; }
    // Layer editing (0) or output editing (1) on the canvas, as the 1029 / 1028 buttons.
    void SetCanvasMode(std::uint32_t mode);
    // Enables or disables everything but the wait overlay.
    void SetInteractive(bool interactive);
    // Makes `input` the current input as a confirmed click in its box does: the old input's crop
    // switched off, the pages told, the input-selection record sent (when synchronised).
    // False when it already is the current input or is no input.
    bool SelectInput(int input);
    // Undoes (redoes) the operator's newest edit, as Ctrl+Z (Ctrl+Shift+Z, Ctrl+Y) does: told
    // "Please open the serial!" without a synchronised link; nothing while a wait or a modal
    // box is shown. False when nothing was sent.
    bool UndoEdit(bool redo);
    // The menu items' texts and states as the history stands ("Undo Layer2", disabled when
    // there is nothing to undo).
    void RefreshUndoItems();

    // Stops taking records and closes the link. A worker handing a record to this window must
    // not be waiting for it: the application calls ShutDownWindowMessages() first.
    void ShutDownLink();

    MainServices& Services() { return m_services; }
    const PageSet& Pages() const { return m_pages; }
    CConnectDlg* ConnectDialog() const { return m_pages.ConnectDialog(); }
    CProgressDlg* WaitOverlay() const { return m_pages.WaitOverlay(); }
    CLayoutDlg* LayoutPage() const { return m_pages.LayoutPage(); }
    CBaseDialog* Page(int index) const { return m_pages.TabPage(index); }
    CGdipButton* LayerSwitch(int layer) const { return m_layerButtons[static_cast<std::size_t>(layer & 3)]; }
    CStatusArea* StatusAreaWidget() const { return m_status; }
    CInputBoxes* InputBoxes() const { return m_inputs; }
    CWarningArea* WarningArea() const { return m_warning; }
    QMenu* LogoMenu() const { return m_logoMenu; }
    LinkSupervision& Supervision() { return m_services.Supervision(); }
    LinkMembers& Link() { return m_services.Session().Link(); }
    bool WaitShown() const { return m_services.WaitShown(); }
    CCorvaneApp& App() { return m_app; }
    LinkEventBoxes& LinkBoxes() { return m_linkBoxes; }
    // The local control interface, null unless Config.ini switches it on.
    ControlGateway* ControlInterface() const { return m_control.get(); }

    // MainWindowCalls
    bool LayerSwitchOn(int layer) const override;
    void SetLayerSwitch(int layer, bool on) override;
    bool LampRedPhase() const override;
    bool ShowBlendPage(bool show) override;

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    std::intptr_t OnTimer(std::uintptr_t id, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    std::intptr_t OnLinkEvent(std::uintptr_t event, std::intptr_t detail);
    std::intptr_t OnClosePage(std::uintptr_t, std::intptr_t kind);
    std::intptr_t OnSetLanguage(std::uintptr_t language, std::intptr_t);
    std::intptr_t OnSysCommand(std::uintptr_t command, std::intptr_t);
    std::intptr_t OnDeviceChange(std::uintptr_t event, std::intptr_t);
    void OnTab(int id);
    void OnLayerSwitch(int id);
    void OnOutputMode();
    void OnLayerMode();
    void OnClearLayers();
    void OnLogo();
    // The layer's switch changed: the state, the canvas, the layer command (sent at once, so
    // that no record from the processor arriving meanwhile can undo the switch), the layer page.
    void SwitchLayer(int layer);

    // The keys and the menu's items of undo and redo.
    void SetUpUndo();
    void LayOut();
    void ShowPageAt(int index, bool show);
    void PaintTab(int index, bool shown);
    void ClickInput(int input);
    void AskSystemInformation();

    CCorvaneApp& m_app;
    MainServices m_services;
    PageSet m_pages;
    CInputBoxes* m_inputs = nullptr;
    CStatusArea* m_status = nullptr;
    QMenu* m_logoMenu = nullptr;
    QAction* m_undoItem = nullptr;
    QAction* m_redoItem = nullptr;
    std::array<CGdipButton*, kPageCount> m_tabs{};
    std::array<CGdipButton*, kLayerCount> m_layerButtons{};

    int m_currentPage = -1;
    CWarningArea* m_warning = nullptr;
    LinkEventBoxes m_linkBoxes{this};
    std::unique_ptr<ControlGateway> m_control; // last: gone before anything it uses
};

} // namespace corvane

#pragma once

// The connection dialog: lists the serial ports, opens the chosen one and starts the
// synchronisation, closes the port, and is the one place where the port is closed when the
// link is lost. The main window creates it once as a hidden child window that the operator
// drags by its band; its port search drives it with WM_TRY_PORT, its link supervision with
// WM_PORT_CLOSED, and the end of a synchronisation tells it the port with WM_DEVICE_REPLY.
//
// Messages:
//   WM_TRY_PORT (baud rate, port number)  automatic attempt; -1 when the port cannot be opened
//   WM_PORT_CLOSED (0, 0)                 the link is lost: show the dialog, close the port
//   WM_DEVICE_REPLY (any, port number)    select that port in the list
//   commands 1374 Connect, 1375 DisConnect, 1376 refresh the list, 1201 hide the dialog
//
// Below its buttons the dialog repeats the lamp of the main window's status area and, while
// the port search runs, "Auto connect...".

#include "widgets/CBaseDialog.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class CDropButton;
class CGdipButton;
class CGroupBox;
class LinkSession;
class oRealEdit;
class PageContext;
struct LineSettings;
struct SerialPortEntry;

class CConnectDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 163;
    static constexpr int kGroupId = 1370;
    static constexpr int kComLabelId = 1371;
    static constexpr int kBaudLabelId = 1372;
    static constexpr int kBaudId = 1373;
    static constexpr int kConnectId = 1374;
    static constexpr int kDisconnectId = 1375;
    static constexpr int kRefreshId = 1376;
    static constexpr int kPortListId = 1377;

    // The lamp is drawn again this long after each drawing of the unconnected state.
    static constexpr int kTimerLamp = 6;
    static constexpr std::chrono::milliseconds kLampPeriodMs{300};
    // The baud rates the field accepts.
    static constexpr float kBaudMin = 115200.0f;
    static constexpr float kBaudMax = 921600.0f;

    CConnectDlg(PageContext& context, QWidget* parent);
    ~CConnectDlg() override;

    std::intptr_t WindowProc(const WindowMessage& message) override;
    // Texts of dialog 163, the group's title and the "Auto connect..." text.
    void ApplyLanguage() override;
    // The close button of the band: hides the dialog (the port stays as it is). Hidden while
    // not synchronised, the dialog stays hidden when the link is lost or a port is tried.
    void ClosePage() override;

    // The operator clicked the main window's status area: shown, centred on the main window,
    // and kept open when a synchronisation ends.
    void ShowFromStatusArea();
    // Shown, but not by the operator: the end of a synchronisation hides it.
    bool ShownAutomatically() const;

    // Enables the controls for linkState and redraws the lamp: the port list and Connect
    // while no port is open; Connect and DisConnect while one is; never the baud rate.
    void UpdateControls();
    // Lists the ports again: the port selected before when it is still there, else
    // comPortNum, else the first; "N/A" and no line when there is none.
    void FillPortList();

    // Port numbers of the list's lines, in order.
    const std::vector<std::uint32_t>& ListedPorts() const { return m_ports; }
    // Port number of the selected line; 0 when no line is selected.
    std::uint32_t SelectedPort() const;
    CDropButton* PortList() const { return m_portList; }
    // Where the lamp is painted (dialog coordinates).
    QRect LampRect() const;
    // The text painted beside the lamp now; empty when none is.
    QString AutoConnectText() const;

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnConnect();
    void OnDisconnect();
    void OnRefresh();
    std::intptr_t OnTryPort(std::uintptr_t baud, std::intptr_t port);
    std::intptr_t OnPortClosed(std::uintptr_t, std::intptr_t);
    std::intptr_t OnDeviceReply(std::uintptr_t, std::intptr_t port);
    void OnLampTimer();

    // The common closing of DisConnect (byUser) and WM_PORT_CLOSED.
    void ClosePort(bool byUser);
    void SetPorts(const std::vector<SerialPortEntry>& entries);
    void ShowNoPorts();
    // Selects the line of `port`; false when the list has none.
    bool SelectPort(std::uint32_t port);
    void ShowCentred();
    void SaveComSettings(std::uint32_t port, std::uint32_t baud);
    LineSettings Line() const;
    void Message(int titleId, const std::string& text);

    PageContext& m_context;
    LinkSession& m_session;
    CGroupBox* m_group = nullptr;
    QWidget* m_comLabel = nullptr;
    oRealEdit* m_baud = nullptr;
    CGdipButton* m_connect = nullptr;
    CGdipButton* m_disconnect = nullptr;
    CGdipButton* m_refresh = nullptr;
    CDropButton* m_portList = nullptr;
    std::vector<std::uint32_t> m_ports; // the port number of each line of m_portList
    QString m_autoText;                 // "Auto connect..." in the configured language
};

} // namespace corvane

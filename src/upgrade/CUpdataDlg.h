#pragma once

// The upgrade dialog (dialog 182): replaces the processor's FPGA, MCU and HDMI receiver images
// over the serial link, one target after another, and reads the FPGA image back ("Load"), or
// reads it back to compare it with the image just sent ("Verify").
//
// One target's exchange: 0x8000 (the boot loader) -> announce 0x8002(0) -> 0x8001 (target
// byte, block count) -> erase progress 0x8002(4)... -> erase finished 0x8002(2) -> 1039-byte
// data packets, each followed by the target's pause -> 0x8004 -> the result (acknowledgement
// 7). The next target starts only after a good result.
//
// The exchange goes through an ExchangePacer: every frame and packet is written only when the one
// before it has left the port and its pause has passed since, so the boot loader gets each pause
// as quiet on the line at any rate; from 0x8000 to the end of the run (or read-back) the dialog
// owns the line and nothing else is written to the port. Timers drive it: the window goes on
// painting and answering between packets, so the operator sees the progress, the bytes sent and
// the time left, and can close the dialog at any moment. A packet that cannot go out ends the
// run at once and no 0x8004 follows it. A read-back is whole or it is not kept: the first
// refused block ends it, and an FPGA.bin already in the folder is kept under another name.
//
// Messages:
//   commands 1033..1035 "Open...", 1036 Start, 1022 Load, 1023 Verify, 1201 close
//   WM_DEVICE_COMMAND (0x8000 / 0x8001 target byte / 0x8003 / 0x8004): the control frames;
//                                      -1 and nothing sent unless synchronised
//   WM_DEVICE_REPLY (0x8002, status)   the boot loader's announce, erase, read-back end
//   WM_DEVICE_REPLY (0x8004, 1..4)     link lost; read-back checksum, order, save errors
//   WM_DEVICE_REPLY (7, 0 or 1)        the result of an image
//   WM_UPGRADE_NEXT                    the next pending target
// Read-back blocks arrive through OnReadBackBlock, and the leaving of each write through
// OnWriteLeft, on the user-interface thread.

#include "upgrade/ExchangePacer.h"
#include "upgrade/UpgradeImage.h"
#include "upgrade/UpgradeSteps.h"
#include "widgets/CBaseDialog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QRect>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;

namespace corvane {

class CGdipButton;
class PageContext;

class CUpdataDlg : public CBaseDialog, private ExchangeLine {
    Q_OBJECT
public:
    static constexpr int kDialogId = 182;
    static constexpr std::array<int, 3> kLabelIds{1037, 1038, 1039};
    static constexpr std::array<int, 3> kPathIds{1308, 1041, 1042};
    static constexpr std::array<int, 3> kOpenIds{1033, 1034, 1035};
    static constexpr int kStartId = 1036;
    static constexpr int kLoadId = 1022;
    static constexpr int kVerifyId = 1023;
    static constexpr int kProgressId = 1040;
    static constexpr int kStatusId = 1123;
    static constexpr int kDetailId = 1124;

    // `state` and `phase` values.
    static constexpr std::uint32_t kStateIdle = kUpgradeStateIdle;
    static constexpr std::uint32_t kStateReadBack = kUpgradeStateReadBack;
    static constexpr std::uint32_t kPhaseUpgradeRequested = kUpgradePhaseRequested;
    static constexpr std::uint32_t kPhaseAnnounced = kUpgradePhaseAnnounced;
    static constexpr std::uint32_t kPhaseBootWaiting = kUpgradePhaseBootWaiting;
    static constexpr std::uint32_t kPhaseReadBackDone = kUpgradePhaseReadBackDone;
    static constexpr std::uint32_t kPhaseRestart = kUpgradePhaseRestart;

    static constexpr std::chrono::milliseconds kBootPauseMs{100}; // quiet after 0x8000
    static constexpr std::chrono::milliseconds kEndPauseMs{100};  // more quiet after the last packet's pause
    static constexpr std::chrono::milliseconds kResultWaitMs{3000};  // for the result of an image
    static constexpr std::chrono::milliseconds kSummaryWaitMs{3000}; // for missing results at the end
    static constexpr std::chrono::milliseconds kKeepAliveMs{1000};
    static constexpr std::uint32_t kReadBackBaud = 921600;

    CUpdataDlg(PageContext& context, QWidget* parent);
    ~CUpdataDlg() override;

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;
    // The frame's close (and a close by the system): asks first while something runs.
    void ClosePage() override;

    // A 1039-byte read-back block from the link (on the user-interface thread).
    void OnReadBackBlock(const std::uint8_t* block);
    // A write of the exchange has ended: all of it left the port (`complete`), or why not.
    void OnWriteLeft(std::uint64_t ticket, bool complete, std::uint32_t status);
    // From the first frame of a run or a read-back to its end the dialog owns the serial line.
    bool OwnsLine() const { return m_ownsLine; }

    // For the operator's tools and the tests.
    bool Selected(int target) const { return selected[static_cast<std::size_t>(target)] != 0; }
    void SetSelected(int target, bool on);
    QRect BoxRect(int target) const { return boxRect[static_cast<std::size_t>(target)]; }
    std::uint32_t State() const { return state; }
    std::uint32_t Phase() const { return phase; }
    bool ControlsEnabled() const { return controlsEnabled != 0; }
    bool Done(int target) const { return done[static_cast<std::size_t>(target)] != 0; }
    std::uint64_t SentBytes() const { return sentBytes; }
    QString StatusText() const;
    QString DetailText() const;
    int ProgressValue() const;
    // Where "Load" writes the image read back, and where it writes while reading.
    std::string ReadBackPath() const;
    std::string ReadBackPartPath() const;
    // The first differing block of the last Verify (-1: the images are equal; -2: none yet).
    long long VerifyResult() const { return m_verifyResult; }
    // Where the FPGA.bin found in the folder by the last read-back was moved; empty: none was.
    std::string KeptAsidePath() const { return m_keptAside; }
    // Paint events so far (the window repaints during a transfer).
    std::uint64_t Paints() const { return m_paints; }

protected:
    bool OnInitDialog() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnOpen(int id);
    void OnStart();
    void OnLoad();
    void OnVerify();
    void OnCloseBox();
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t status);
    std::intptr_t OnUpgradeNext(std::uintptr_t, std::intptr_t);

    void OnAnnounce();
    void OnErase();
    void OnEraseFinished();
    void OnReadBackFinished();
    void OnLinkLost();
    void OnReadBackError(std::intptr_t kind);
    void OnResult(std::intptr_t good);

    void RunNext();
    void Summarise();
    // After the result of an image (or none): the next target, or the end of the run.
    void FinishTarget(bool good);
    void StopTimers();
    void CloseDialog();

    // The exchange on the line.
    LineSend Write(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) override;
    void BeginExchange();
    void Pump();
    void OnDeparted(const Departure& departure);
    void EndOfImage();
    void ResultWaitOver();
    void OnLineFailed();
    // The line is given back once what is queued has left (0x8004 after a refused read-back).
    void LetGoOfLine();
    void ReleaseLine();
    std::chrono::milliseconds QuietBefore(std::uint16_t code) const;

    void StartReadBack(bool verify);
    // Ends a read-back whose block was refused (or could not be saved): nothing is kept.
    void RefuseReadBack(std::intptr_t kind, std::uint32_t number);
    // The one box of a read-back that ended incomplete.
    void ShowRefusal(const std::string& head);
    void EndReadBack(bool complete);
    // The part file made whole: FPGA.bin, an FPGA.bin there before moved aside.
    void KeepReadBack();
    static bool ReadImageFile(const QString& path, std::vector<std::uint8_t>& data, QString& reason);

    void EnableControls(bool enable);
    void SetStatus(const QString& text);
    void SetProgress(int value);
    void ShowTransferLine();
    void ShowReadBackLine(std::uint32_t number);
    int Message(const std::string& title, const std::string& text, std::uint32_t mode = 0);
    bool Chinese() const;
    void LoadBoxImages();
    void PlaceBoxes();
    void SendCommand(std::uint16_t code, std::intptr_t argument = 0);

    PageContext& m_context;
    std::array<QLabel*, 3> m_labels{};
    std::array<QLineEdit*, 3> m_paths{};
    std::array<CGdipButton*, 3> m_open{};
    CGdipButton* m_start = nullptr;
    CGdipButton* m_load = nullptr;
    CGdipButton* m_verify = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_detail = nullptr;
    QPixmap m_boxOn;
    QPixmap m_boxOff;

    std::array<std::uint32_t, 3> selected{};
    std::array<QRect, 3> boxRect{};
    std::array<std::uint32_t, 3> pending{};
    std::array<std::uint32_t, 3> done{};
    std::uint32_t state = 0;
    std::uint32_t phase = 0;
    std::uint32_t controlsEnabled = 1;
    std::uint32_t messageShown = 0;
    std::vector<std::uint8_t> fileData;
    std::uint64_t fileSize = 0;
    std::uint64_t sentBytes = 0;
    std::uint32_t eraseCount = 0;

    int m_current = -1; // target being upgraded
    ExchangePacer m_pacer;
    QTimer* m_pumpTimer = nullptr;  // the next write of the exchange is due, or one is overdue
    bool m_ownsLine = false;        // the line is claimed for the exchange
    bool m_releaseWhenIdle = false; // give the line back once the pacer is idle
    bool m_leaving = false;         // the dialog closes: 0x8004 goes out at once
    bool m_inImage = false;         // packets or their 0x8004 are still to leave
    bool m_awaitingResult = false;  // 0x8004 left, the result not yet in
    QTimer* m_resultTimer = nullptr;
    QTimer* m_summaryTimer = nullptr;
    QElapsedTimer m_summaryClock;
    QElapsedTimer m_readBackClock;
    bool m_keepAliveStopped = false;

    ReadBackChecker m_checker;
    QFile m_readBackFile;
    std::string m_readBackFinal;   // where the last complete read-back was kept
    std::string m_keptAside;       // where an FPGA.bin found there was moved
    std::string m_refusal;         // why the last read-back ended incomplete; empty: it did not
    bool m_refusalUnshown = false; // its box is still to be shown
    bool m_verifying = false;
    std::vector<std::uint8_t> m_verifyImage; // the FPGA image last confirmed by the processor
    long long m_verifyResult = -2;
    std::uint64_t m_paints = 0;
    bool m_closing = false;
};

} // namespace corvane

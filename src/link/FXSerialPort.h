#pragma once

// The application's serial link: the listener of the one serial port. It opens the port
// for the connection dialog, cuts every received chunk into records and read-back blocks
// (RecordCutter, kept across reads) and hands each to its LinkOwner, tells the owner when
// the port was closed under a read, and owns the one send operation, SendToDevice.

#include "link/LineSend.h"
#include "link/RecordCutter.h"
#include "link/SerialPort.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvane {

// What the link reports to the rest of the application (the main window implements it;
// tests use fakes). Every call comes on an I/O worker thread, inside the port's listener
// lock, one at a time; the next read of the port is started only after the calls for the
// previous one have returned.
class LinkOwner {
public:
    virtual ~LinkOwner();
    virtual void OnDeviceRecord(const std::uint8_t* record) = 0; // kFrameSize bytes
    virtual void OnReadBackBlock(const std::uint8_t* block) = 0; // kBlockSize bytes
    // The port was closed under its read (WM_PORT_CLOSED to the connection dialog).
    virtual void OnPortClosed() = 0;
    // A write sent with SendOnLine has ended: `complete` when all its bytes left the port,
    // otherwise `status` says why not (kIoSuccess: it timed out with bytes left over).
    virtual void OnWriteLeft(std::uint64_t /*ticket*/, bool /*complete*/, std::uint32_t /*status*/) {}
};

class FXSerialPort : public SerialPort_Event, private RecordSink {
public:
    FXSerialPort() = default;
    // Stops telling the owner, closes the port and waits for its operations in flight. An
    // owner call already under way must be able to finish meanwhile: destroy the link while
    // the thread that the owner's calls wait for still runs, or after the owner stopped
    // waiting for it.
    ~FXSerialPort() override;

    // The receiver of the records; set before the first Open. Null: nobody.
    void SetOwner(LinkOwner* owner);

    // 1 when COM<portNumber> was opened and is being read, 0 when it could not be opened
    // (LastOpenError tells why). The record cutter starts empty with each opening.
    int Open(int portNumber, int baudRate, int dataBits, int stopBits);

    // Closes the port (the connection dialog is the only caller); the read in flight then
    // reports the close once, as OnPortClosed.
    void Close();

    bool IsOpen() const { return m_port.IsOpen(); }
    // Openings so far, and the one the close being reported belongs to (read in
    // OnPortClosed, on the thread of the report): a close the application asked for is
    // reported by the read in flight, which may come after the port was opened again.
    std::uint32_t Openings() const { return m_opening.load(std::memory_order_acquire); }
    std::uint32_t ReportedOpening() const { return m_reportedOpening.load(std::memory_order_acquire); }
    const SerialOpenError& LastOpenError() const { return m_port.LastOpenError(); }

    // While true, data that does not start with the record magic is cut as 1039-byte
    // read-back blocks; takes effect from the next chunk received.
    void SetReadBackExpected(bool expected);

    // Starts an overlapped write of `length` bytes and returns at once. Data of
    // kIoBufferSize (4096) bytes or more, and a frame for which no write buffer is free (all
    // 100 in flight) or that cannot be started (port closed), is dropped: lost frames are
    // not reported to the caller, only counted. Safe from any thread.
    void SendToDevice(const std::uint8_t* data, std::size_t length);

    std::uint64_t DroppedFrames() const { return m_dropped.load(std::memory_order_relaxed); }

    // The line's one owner: while a firmware transfer runs, it alone writes to the port. A claim
    // holds for the opening it was made in (a closed port ends it); SendToDevice drops every
    // frame meanwhile (counted in HeldBack), SendOnLine writes the owner's.
    void ClaimLine();
    void ReleaseLine();
    bool LineClaimed() const;
    std::uint64_t HeldBack() const { return m_heldBack.load(std::memory_order_relaxed); }

    // A write of the line's owner (it claims the line for the opening in use): its bytes go out
    // after everything written before, and their leaving the port (the write completed and the
    // output drained) is reported with LinkOwner::OnWriteLeft(ticket). `ticket` must not be 0.
    // Safe from any thread.
    LineSend SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket);

    CSerialPort& Port() { return m_port; }

    void OnReceive(const std::uint8_t* data, std::uint32_t length) override;
    void OnError(std::uint32_t error, const std::uint8_t* data, std::uint32_t length) override;
    void OnWritten(std::uint64_t ticket, std::uint32_t status, std::uint32_t bytes,
                   std::uint32_t length) override;

private:
    void OnRecord(const std::uint8_t* record) override;
    void OnReadBackBlock(const std::uint8_t* block) override;

    std::atomic<LinkOwner*> m_owner{nullptr};
    CSerialPort m_port;
    bool m_listening = false; // added to the port's listeners (user-interface thread only)

    // Touched only by the single read in flight, inside the listener lock.
    RecordCutter m_cutter;
    LinkOwner* m_chunkOwner = nullptr;
    std::uint32_t m_cutterOpening = 0;
    // Set by the user-interface thread, applied by the reading worker.
    std::atomic<std::uint32_t> m_opening{0};
    std::atomic<std::uint32_t> m_closedOpening{0};   // the opening Close() ended
    std::atomic<std::uint32_t> m_reportedOpening{0}; // the opening of the close reported
    std::atomic<bool> m_readBack{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint32_t> m_claimedOpening{0}; // 0: nobody owns the line
    std::atomic<std::uint64_t> m_heldBack{0};
};

} // namespace corvane

#include "link/FXSerialPort.h"

#include "link/IoEngine.h"
#include "platform/IoStatus.h"

#include <cstring>

namespace corvane {

LinkOwner::~LinkOwner() = default;

FXSerialPort::~FXSerialPort() {
    // The port's last completions still call this listener: they must find it whole.
    m_owner.store(nullptr, std::memory_order_release);
    m_port.CloseAndWait();
}

void FXSerialPort::SetOwner(LinkOwner* owner) {
    m_owner.store(owner, std::memory_order_release);
}

int FXSerialPort::Open(int portNumber, int baudRate, int dataBits, int stopBits) {
    if (!m_port.Open(portNumber, baudRate, dataBits, stopBits))
        return 0;
    if (CompletionQueue* queue = IoEngine::Instance().Port())
        m_port.AttachTo(*queue);
    // Listen before the first read is started, so that nothing received is missed.
    if (!m_listening) {
        m_port.AddListener(this);
        m_listening = true;
    }
    m_opening.fetch_add(1, std::memory_order_release);
    m_port.StartReading();
    return 1;
}

void FXSerialPort::Close() {
    m_closedOpening.store(m_opening.load(std::memory_order_acquire), std::memory_order_release);
    m_port.Close();
}

void FXSerialPort::SetReadBackExpected(bool expected) {
    m_readBack.store(expected, std::memory_order_release);
}

void FXSerialPort::ClaimLine() {
    m_claimedOpening.store(m_opening.load(std::memory_order_acquire), std::memory_order_release);
}

void FXSerialPort::ReleaseLine() {
    m_claimedOpening.store(0, std::memory_order_release);
}

bool FXSerialPort::LineClaimed() const {
    const std::uint32_t claimed = m_claimedOpening.load(std::memory_order_acquire);
    return claimed != 0 && claimed == m_opening.load(std::memory_order_acquire) &&
           m_closedOpening.load(std::memory_order_acquire) != claimed;
}

LineSend FXSerialPort::SendOnLine(const std::uint8_t* data, std::size_t length, std::uint64_t ticket) {
    if (data == nullptr || length == 0 || length >= kIoBufferSize || ticket == 0)
        return LineSend::TooLong;
    ClaimLine();
    IoBuffer* buffer = m_port.AcquireWriteBuffer();
    if (buffer == nullptr)
        return LineSend::NoBuffer;
    std::memcpy(buffer->data.data(), data, length);
    buffer->owner = &m_port;
    buffer->drain = true;
    buffer->ticket = ticket;
    if (!m_port.Write(buffer, static_cast<std::uint32_t>(length))) {
        m_port.ReleaseWriteBuffer(buffer);
        return LineSend::NotStarted;
    }
    return LineSend::Queued;
}

void FXSerialPort::OnWritten(std::uint64_t ticket, std::uint32_t status, std::uint32_t bytes,
                             std::uint32_t length) {
    if (LinkOwner* owner = m_owner.load(std::memory_order_acquire))
        owner->OnWriteLeft(ticket, status == kIoSuccess && bytes == length, status);
}

void FXSerialPort::SendToDevice(const std::uint8_t* data, std::size_t length) {
    if (length == 0)
        return;
    if (LineClaimed()) {
        // A firmware transfer owns the line: nothing may come between its frames and packets.
        m_heldBack.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (data == nullptr || length >= kIoBufferSize) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    IoBuffer* buffer = m_port.AcquireWriteBuffer();
    if (buffer == nullptr) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::memcpy(buffer->data.data(), data, length);
    buffer->owner = &m_port;
    if (!m_port.Write(buffer, static_cast<std::uint32_t>(length))) {
        m_port.ReleaseWriteBuffer(buffer);
        m_dropped.fetch_add(1, std::memory_order_relaxed);
    }
}

void FXSerialPort::OnReceive(const std::uint8_t* data, std::uint32_t length) {
    // A new opening starts from an empty cutter: the tail of a record from the previous
    // connection must not be completed with bytes of this one.
    const std::uint32_t opening = m_opening.load(std::memory_order_acquire);
    if (opening != m_cutterOpening) {
        m_cutter.Reset();
        m_cutterOpening = opening;
    }
    m_cutter.SetReadBackExpected(m_readBack.load(std::memory_order_acquire));
    m_chunkOwner = m_owner.load(std::memory_order_acquire);
    m_cutter.Feed(data, length, *this);
}

void FXSerialPort::OnError(std::uint32_t error, const std::uint8_t*, std::uint32_t) {
    // A device that went away (the cable pulled, the adapter unplugged) is a closed port at
    // once: while a firmware image goes out the keep-alive supervision is stopped and would not
    // notice the silence. Other read errors end the reading and are otherwise ignored: the
    // keep-alive supervision notices the silence.
    if (error != kIoErrorOperationAborted && error != kIoErrorDeviceNotConnected)
        return;
    // An aborted read is one that Close() ended; a device that went away ends the opening
    // in use.
    m_reportedOpening.store(error == kIoErrorOperationAborted
                                ? m_closedOpening.load(std::memory_order_acquire)
                                : m_opening.load(std::memory_order_acquire),
                            std::memory_order_release);
    if (LinkOwner* owner = m_owner.load(std::memory_order_acquire))
        owner->OnPortClosed();
}

void FXSerialPort::OnRecord(const std::uint8_t* record) {
    if (m_chunkOwner != nullptr)
        m_chunkOwner->OnDeviceRecord(record);
}

void FXSerialPort::OnReadBackBlock(const std::uint8_t* block) {
    if (m_chunkOwner != nullptr)
        m_chunkOwner->OnReadBackBlock(block);
}

} // namespace corvane

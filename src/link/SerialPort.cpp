#include "link/SerialPort.h"

#include "link/IoEngine.h"
#include "link/PortDiscovery.h"

#include <algorithm>
#include <string>

namespace corvane {

SerialPort_Event::~SerialPort_Event() = default;

CSerialPort::~CSerialPort() {
    CloseAndWait();
}

bool CSerialPort::Open(int portNumber, int baudRate, int dataBits, int stopBits) {
    m_lastOpenError = {};
    if (portNumber <= 0) {
        m_lastOpenError.failure = SerialOpenFailure::InvalidPortNumber;
        return false;
    }
    m_lastOpenError.port = "COM" + std::to_string(portNumber);
    const std::string device = SerialPortDevice(static_cast<std::uint32_t>(portNumber));
    if (device.empty()) {
        m_lastOpenError.failure = SerialOpenFailure::NoSuchPort;
        return false;
    }

    SerialSettings settings;
    settings.baudRate = baudRate;
    settings.dataBits = dataBits;
    settings.stopBits = stopBits;
    settings.timeouts.readTotal = kReadTotalTimeoutMs;
    settings.timeouts.writeConstant = kWriteTotalTimeoutConstantMs;
    settings.timeouts.writeMultiplier = kWriteTotalTimeoutMultiplierMs;
    SerialOpenError error = m_file.Open(device, settings);
    error.port = m_lastOpenError.port;
    m_lastOpenError = error;
    if (error.failure != SerialOpenFailure::None)
        return false;
    m_file.Purge();
    return true;
}

void CSerialPort::AddListener(SerialPort_Event* listener) {
    std::lock_guard lock(m_listenerLock);
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CSerialPort::Close() {
    m_file.Close();
}

void CSerialPort::CloseAndWait() {
    Close();
    if (CompletionPort() != nullptr && IoEngine::Instance().Running())
        WaitIdle();
}

SerialFile* CSerialPort::GetHandle() {
    return m_file.IsOpen() ? &m_file : nullptr;
}

std::uintptr_t CSerialPort::GetCompletionKey() {
    return 0;
}

void CSerialPort::AttachTo(CompletionQueue& port) {
    SetCompletionPort(&port);
    m_file.Attach(port, GetCompletionKey());
}

void CSerialPort::OnReadCompleted(IoInfo* info) {
    std::lock_guard lock(m_listenerLock);
    for (SerialPort_Event* listener : m_listeners)
        listener->OnReceive(info->data, info->bytes);
}

void CSerialPort::OnWriteCompleted(IoInfo* info) {
    ReportWritten(*info, info->status);
}

void CSerialPort::ReportWritten(const IoInfo& info, std::uint32_t status) {
    if (info.ticket == 0)
        return;
    // The listeners are added once, before the first opening; a write's report must not wait
    // for a read being handled (that can take as long as the user-interface thread needs).
    std::vector<SerialPort_Event*> listeners;
    {
        std::lock_guard lock(m_listenerLock);
        listeners = m_listeners;
    }
    for (SerialPort_Event* listener : listeners)
        listener->OnWritten(info.ticket, status, info.bytes, info.length);
}

void CSerialPort::OnReadEmpty() {}

void CSerialPort::OnOtherCompleted(IoBuffer*) {}

void CSerialPort::OnWriteFailed(std::uint32_t error, IoInfo* info) {
    m_file.ClearErrors();
    ReportWritten(*info, error);
}

void CSerialPort::OnReadFailed(std::uint32_t error, IoInfo* info) {
    std::lock_guard lock(m_listenerLock);
    for (SerialPort_Event* listener : m_listeners)
        listener->OnError(error, info->data, info->bytes);
}

void CSerialPort::OnOtherFailed(std::uint32_t, IoBuffer*) {}

bool CSerialPort::Write(IoBuffer* buffer, std::uint32_t length) {
    if (buffer == nullptr || length == 0)
        return false;
    buffer->length = length;
    return buffer->drain ? m_file.WriteDrained(&buffer->overlapped, buffer->data.data(), length)
                         : m_file.Write(&buffer->overlapped, buffer->data.data(), length);
}

bool CSerialPort::Read(IoBuffer* buffer) {
    if (buffer == nullptr)
        return false;
    return m_file.Read(&buffer->overlapped, buffer->data.data(), kReadSize);
}

} // namespace corvane

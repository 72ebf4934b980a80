#include "upgrade/ExchangePacer.h"

#include "upgrade/UpgradeImage.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace corvane {

namespace {

using std::chrono::milliseconds;

// Tickets are unique in the process: a report that comes after its exchange ended (or after the
// dialog that started it closed) never matches a write of a later one.
std::atomic<std::uint64_t> nextTicket{1};

std::string Item(const ExchangeFailure& f, bool chinese) {
    char text[96];
    if (f.packet)
        std::snprintf(text, sizeof text,
                      chinese ? "第 %llu 个数据包(共 %llu 个)" : "Data packet %llu of %llu",
                      static_cast<unsigned long long>(f.number), static_cast<unsigned long long>(f.count));
    else
        std::snprintf(text, sizeof text, chinese ? "命令 0x%04X" : "Frame 0x%04X",
                      static_cast<unsigned>(f.code));
    return text;
}

ExchangeFailure FailureOf(ExchangeFailure::Kind kind, const Departure& item) {
    ExchangeFailure failure;
    failure.kind = kind;
    failure.packet = item.packet;
    failure.code = item.code;
    failure.number = item.number;
    failure.count = item.count;
    return failure;
}

} // namespace

std::string DescribeFailure(const ExchangeFailure& f, bool chinese) {
    const std::string item = Item(f, chinese);
    switch (f.kind) {
    case ExchangeFailure::Kind::NotQueued:
        if (f.send == LineSend::NoBuffer)
            return item + (chinese ? "无法发送: 没有空闲的写缓冲区。"
                                   : " could not be sent: no write buffer was free.");
        if (f.send == LineSend::NotStarted)
            return item + (chinese ? "无法发送: 串口已关闭。" : " could not be sent: the port is closed.");
        return item + (chinese ? "无法发送。" : " could not be sent.");
    case ExchangeFailure::Kind::Incomplete:
        return item + (chinese ? "未能完整发出(错误 " : " did not leave the port whole (error ") +
               std::to_string(f.status) + (chinese ? ")。" : ").");
    case ExchangeFailure::Kind::NotLeft:
        break;
    }
    const std::string seconds = std::to_string(ExchangePacer::kLeaveLimitMs.count() / 1000);
    return item +
           (chinese ? "在 " + seconds + " 秒内未能发出: 处理器没有接收数据。"
                    : " did not leave the port within " + seconds + " s: the processor is not taking bytes.");
}

void ExchangePacer::Start(std::uint32_t baudRate) {
    Stop();
    m_baudRate = baudRate;
    m_failure.reset();
    m_anyLeft = false;
    m_imageBytes = m_imageWritten = m_imageLeft = m_packetCount = 0;
}

void ExchangePacer::Stop() {
    m_queue.clear();
    m_out.reset();
}

void ExchangePacer::QueueFrame(const Frame& frame, milliseconds quiet) {
    Item item;
    item.quiet = quiet;
    item.frame = frame;
    m_queue.push_back(item);
}

void ExchangePacer::QueueImage(const std::vector<std::uint8_t>& image, milliseconds quiet,
                               milliseconds pause) {
    Item item;
    item.quiet = quiet;
    item.image = true;
    item.data = &image;
    item.pause = pause;
    m_imageBytes = image.size();
    m_imageWritten = m_imageLeft = 0;
    m_packetCount = BlockCount(image.size());
    m_imagePause = pause;
    if (!image.empty())
        m_queue.push_back(item);
}

ExchangePacer::Clock::duration ExchangePacer::WireTime(std::size_t bytes) const {
    if (m_baudRate == 0)
        return Clock::duration{0};
    // Rounded up to the microsecond: the line is never taken for faster than it is.
    const std::uint64_t micros = (std::uint64_t{bytes} * 10 * 1'000'000 + m_baudRate - 1) / m_baudRate;
    return std::chrono::microseconds{static_cast<long long>(micros)};
}

milliseconds ExchangePacer::ImageTimeLeft() const {
    const std::uint64_t left = m_imageBytes - std::min(m_imageBytes, m_imageWritten);
    const std::uint64_t packets = BlockCount(left);
    const auto each = std::chrono::ceil<milliseconds>(WireTime(kPacketSize)) + m_imagePause;
    return each * static_cast<long long>(packets);
}

std::optional<ExchangePacer::Clock::time_point> ExchangePacer::Pump(ExchangeLine& line,
                                                                    Clock::time_point now) {
    if (m_failure)
        return std::nullopt;
    if (m_out) {
        const Clock::time_point limit = m_out->written + m_out->wire + kLeaveLimitMs;
        if (now < limit)
            return limit;
        Fail(FailureOf(ExchangeFailure::Kind::NotLeft, m_out->departure));
        return std::nullopt;
    }
    if (m_queue.empty())
        return std::nullopt;
    Item& item = m_queue.front();
    const milliseconds quiet = item.image && item.number > 0 ? item.pause : item.quiet;
    const Clock::time_point due = m_anyLeft ? m_lastLeft + quiet : now;
    if (now < due)
        return due;

    Out out;
    out.ticket = nextTicket.fetch_add(1, std::memory_order_relaxed);
    out.written = now;
    Packet packet{};
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    if (item.image) {
        const std::uint64_t n = std::min<std::uint64_t>(kPacketData, item.data->size() - item.offset);
        packet = BuildDataPacket(item.data->data() + item.offset, static_cast<std::size_t>(n));
        bytes = packet.data();
        length = packet.size();
        out.departure.packet = true;
        out.departure.number = item.number + 1;
        out.departure.count = m_packetCount;
    } else {
        bytes = item.frame.data();
        length = item.frame.size();
        out.departure.code = FrameCode(item.frame.data());
    }
    out.wire = WireTime(length);
    const LineSend sent = line.Write(bytes, length, out.ticket);
    if (sent != LineSend::Queued) {
        ExchangeFailure failure = FailureOf(ExchangeFailure::Kind::NotQueued, out.departure);
        failure.send = sent;
        Fail(failure);
        return std::nullopt;
    }
    if (item.image) {
        const std::uint64_t n = std::min<std::uint64_t>(kPacketData, item.data->size() - item.offset);
        item.offset += n;
        ++item.number;
        m_imageWritten = item.offset;
        if (item.offset >= item.data->size())
            m_queue.pop_front();
    } else {
        m_queue.pop_front();
    }
    m_out = out;
    return m_out->written + m_out->wire + kLeaveLimitMs;
}

std::optional<Departure> ExchangePacer::Left(std::uint64_t ticket, bool complete, std::uint32_t status,
                                             Clock::time_point now) {
    if (!m_out || m_out->ticket != ticket || m_failure)
        return std::nullopt;
    if (!complete) {
        ExchangeFailure failure = FailureOf(ExchangeFailure::Kind::Incomplete, m_out->departure);
        failure.status = status;
        Fail(failure);
        return std::nullopt;
    }
    Departure departure = m_out->departure;
    departure.at = std::max(now, m_out->written + m_out->wire);
    m_lastLeft = departure.at;
    m_anyLeft = true;
    if (departure.packet)
        m_imageLeft = std::min(m_imageBytes, departure.number * kPacketData);
    m_out.reset();
    return departure;
}

void ExchangePacer::Fail(ExchangeFailure failure) {
    m_failure = failure;
    Stop();
}

} // namespace corvane

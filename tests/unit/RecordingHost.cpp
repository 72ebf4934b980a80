#include "RecordingHost.h"

#include "device/LinkSession.h"
#include "device/ReplyDispatcher.h"
#include "platform/WindowMessages.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace corvane::test {

namespace {

std::string MessageName(std::uint32_t m) {
    switch (m) {
    case WM_DEVICE_REPLY:
        return "DEVICE_REPLY";
    case WM_LINK_EVENT:
        return "LINK_EVENT";
    case WM_PORT_CLOSED:
        return "PORT_CLOSED";
    case WM_OPEN_UPGRADE:
        return "OPEN_UPGRADE";
    case WM_TRY_PORT:
        return "TRY_PORT";
    default:
        return std::to_string(m);
    }
}

std::string Hex(std::uintptr_t v) {
    char t[16];
    std::snprintf(t, sizeof t, v >= 0x80 ? "0x%lX" : "%lu", static_cast<unsigned long>(v));
    return t;
}

std::string Message(Window w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
    const std::string w1 = m == WM_TRY_PORT ? std::to_string(wp) : Hex(wp); // a baud rate
    return std::string(WindowName(w)) + " " + MessageName(m) + "(" + w1 + "," + std::to_string(lp) + ")";
}

} // namespace

std::intptr_t RecordingHost::SendMessageTo(Window w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
    effects.push_back("send " + Message(w, m, wp, lp));
    return onSend ? onSend(*this, w, m, wp, lp) : 0;
}

void RecordingHost::PostMessageTo(Window w, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) {
    effects.push_back("post " + Message(w, m, wp, lp));
}

void RecordingHost::StartTimer(int id, std::chrono::milliseconds p) {
    effects.push_back("start timer " + std::to_string(id) + " " + std::to_string(p.count()) + "ms");
}

void RecordingHost::StopTimer(int id) {
    effects.push_back("stop timer " + std::to_string(id));
}

void RecordingHost::SendToDevice(const std::uint8_t* data, std::size_t length) {
    sent.emplace_back(data, data + length);
    effects.push_back("SendToDevice " + std::to_string(length));
}

void RecordingHost::Pause(std::chrono::milliseconds d) {
    effects.push_back("pause " + std::to_string(d.count()));
}

DeviceState StateAfterRecord(const Frame& record) {
    DeviceState state;
    RecordingHost host;
    LinkSession session(state, host);
    ReplyDispatcher dispatcher(state, session, host);
    EXPECT_EQ(dispatcher.OnDeviceRecord(record.data()), 1) << "the record was not applied";
    return state;
}

} // namespace corvane::test

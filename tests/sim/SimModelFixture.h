#pragma once

// What the processor model's tests share: the model with the application's own reply
// dispatcher behind it, and the checks of what it answered.

#include "ProcessorModel.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace corvane::sim::modeltest {

class QuietHost : public NullDispatcherHost {
public:
    void PostMessageTo(Window, std::uint32_t m, std::uintptr_t wp, std::intptr_t lp) override {
        if (m == 0x5FD)
            events.push_back({static_cast<int>(wp), static_cast<int>(lp)});
    }
    void HideWait() override { ++hideWaits; }
    bool WindowExists(Window) override { return true; }

    std::vector<std::pair<int, int>> events;
    int hideWaits = 0;
};

// Codes and, for acknowledgements, operations of what the model answered.
std::vector<std::string> Kinds(const std::vector<Outgoing>& out);
using Answer = std::vector<std::string>;

class Model : public ::testing::Test {
protected:
    // The application's dispatcher takes every record of the answer.
    void Deliver(const std::vector<Outgoing>& out);
    std::vector<Outgoing> Command(const Frame& f) { return model.OnCommand(f.data()); }

    ProcessorModel model;
    DeviceState app;
    QuietHost host;
    LinkSession session{app, host};
    OutputPicks picks; // what the output page picked; empty unless a test sets it
    ReplyDispatcher dispatcher{app, session, host, &picks};
};

// The two states agree in every field the processor reports.
void ExpectSameState(const DeviceState& a, const DeviceState& b);

} // namespace corvane::sim::modeltest

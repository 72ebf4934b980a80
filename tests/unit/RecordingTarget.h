#pragma once

// A control target for the interface's unit tests: it keeps the operations it is asked to run
// and answers with the outcome a case sets.

#include "control/ControlService.h"

#include <string>
#include <vector>

namespace corvane::control {

class RecordingTarget : public ControlTarget {
public:
    RecordingTarget() { state.linkState = kLinkSynchronised; }
    const DeviceState& State() const override { return state; }
    LinkSummary Link() const override {
        LinkSummary l;
        l.linkState = state.linkState;
        l.waiting = waiting;
        l.transferRunning = transfer;
        return l;
    }
    Outcome Execute(const Operation& op) override {
        executed.push_back(OperationName(op));
        return outcome;
    }
    DeviceState state;
    bool waiting = false;
    bool transfer = false;
    Outcome outcome = Outcome::Sent;
    std::vector<std::string> executed;
};

} // namespace corvane::control

#pragma once

// The processor's state as text: one line per field group, "name key=value ...", the same
// lines (and the same words) as the simulator's `state` command prints for the groups the
// application learns in a synchronisation, so that the two can be compared line by line.

#include "device/DeviceState.h"

#include <string>

namespace corvane::linktool {

std::string DescribeState(const DeviceState& state);

} // namespace corvane::linktool

// The system information text and the output page's picks as the state keeps them.

#include "device/DeviceState.h"

#include "device/OutputPicks.h"
#include "device/SystemInfo.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

using namespace corvane;

namespace {

TEST(SystemInformation, OneLinePerComponentWithItsMark) {
    std::array<std::uint8_t, kSysInfoSize> flags{};
    flags[0] = 1;
    flags[12] = 1;
    flags[5] = 2; // only 1 means present
    const std::string text = SystemInformationText(flags);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kSysInfoSize);
    // Each name padded to 25 characters, a tab, then the mark.
    auto line = [](const std::string& name, const std::string& mark) {
        return name + std::string(25 - name.size(), ' ') + "\t: " + mark + "\n";
    };
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), line("1. SYS_DEV_Sii9777", "√ "));
    EXPECT_NE(text.find(line("6. SYS_DEV_Sii9134_2", "X")), std::string::npos);
    EXPECT_NE(text.find(line("13. SYS_DEV_wifi", "√ ")), std::string::npos);
}

TEST(OutputPicks, AnOutputThePageDidNotPickForKeepsWhatTheStateHolds) {
    DeviceState s;
    s.outputs[2].resIndex = 4;
    s.outputs[2].winX = 10;
    s.outputs[2].winW = 1900;
    s.customResolution.hActive = 2000;
    s.customResolution.tag = 7;
    OutputPicks picks;
    const OutputPick kept = PickFor(picks, s, 2);
    EXPECT_EQ(std::tie(kept.row, kept.winX, kept.winW, kept.customWidth, kept.customTag),
              std::tuple(4, 10.0, 1900.0, 2000, 7u));

    OutputPick chosen;
    chosen.row = 9;
    picks[2] = chosen;
    EXPECT_EQ(PickFor(picks, s, 2).row, 9);
    EXPECT_EQ(PickFor(picks, s, 1).row, 0);
}

TEST(OutputPicks, WindowValuesBecomeTheProcessorsFields) {
    const struct {
        double value;
        std::uint16_t field;
    } cases[] = {{-3.0, 0}, {0.0, 0}, {100.7, 100}, {65534.9, 65534}, {65535.0, 65535}, {1e12, 65535}};
    for (const auto& c : cases)
        EXPECT_EQ(WholeWindowValue(c.value), c.field) << c.value;
    EXPECT_EQ(WholeWindowValue(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace

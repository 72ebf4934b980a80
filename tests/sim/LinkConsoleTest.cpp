// corvane-link's text of the processor's state: after a synchronisation it must say, line for
// line, what the simulator's `state` says for the groups a synchronisation carries (the wine
// end-to-end run compares the two); and the figures' percentiles.

#include "LinkConsole.h"

#include "ProcessorModel.h"
#include "StateText.h"
#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::sim;

namespace {

// The lines of `text` that start with one of the groups both sides know.
std::vector<std::string> SharedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        for (const char* group : {"layer ", "output ", "picture ", "crop ", "edid ", "frame ", "wifi "}) {
            if (line.rfind(group, 0) == 0)
                lines.push_back(line);
        }
    }
    return lines;
}

} // namespace

TEST(LinkConsoleStateText, ASynchronisedStateReadsAsTheSimulatorsOwn) {
    ProcessorModel model;
    // Values away from the defaults in every group, so that a field printed from the wrong
    // place cannot pass.
    DeviceState& s = model.MutableState();
    s.layers[2].x = 333;
    s.layers[2].visible = 1;
    s.layers[3].source = 2;
    s.outputs[1].winX = 16;
    s.outputs[1].winW = 1904;
    s.picture[3].brightness = 77;
    s.picture[0].colorTemp = 8;
    s.picture[0].red = 99;
    s.edidTimings[2].hActive = 3840;
    s.edidTimings[2].vActive = 2160;
    s.wifi.ssid = "Stage";

    DeviceState app;
    NullDispatcherHost host;
    LinkSession session(app, host);
    ReplyDispatcher dispatcher(app, session, host);
    for (const auto& record : model.StateRecords())
        dispatcher.OnDeviceRecord(record.data());

    const std::vector<std::string> expected = SharedLines(model.Describe());
    ASSERT_EQ(expected.size(), 22u) << model.Describe();
    EXPECT_EQ(SharedLines(linktool::DescribeState(app)), expected);
}

TEST(LinkConsoleFigures, PercentilesAreNearestRank) {
    struct Case {
        std::vector<double> values;
        double fraction;
        double expected;
    };
    const Case cases[] = {
        {{}, 0.5, 0},
        {{7}, 0.5, 7},
        {{7}, 0.95, 7},
        {{4, 1, 3, 2}, 0.5, 2},
        {{5, 1, 4, 2, 3}, 0.5, 3},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, 0.95, 19},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}, 0.95, 20},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linktool::Percentile(c.values, c.fraction), c.expected)
            << c.values.size() << " " << c.fraction;
}

// The state as the control interface shows it (operator's numbers, no password) and the
// events a change of it makes.

#include "control/StateJson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::control;

namespace {

TEST(StateJson, NumbersAreTheOperatorsAndThePasswordIsNotShown) {
    DeviceState s;
    s.currentInput = 2;
    s.layers[1].visible = 1;
    s.layers[1].x = 100;
    s.picture[3].gamma = 255;
    s.picture[0].gamma = 22;
    s.picture[0].colorTemp = 8;
    s.wifi.password = "58204173";
    s.inputs[0].name = "\xff\xfe bad";
    LinkSummary link;
    link.linkState = kLinkSynchronised;
    link.port = 3;
    const std::string text = Dump(StateToJson(s, link));
    const auto j = nlohmann::json::parse(text);
    EXPECT_EQ(j["currentInput"], 3);
    EXPECT_EQ(j["layers"][1]["layer"], 2);
    EXPECT_EQ(j["layers"][1]["on"], true);
    EXPECT_EQ(j["layers"][1]["window"]["x"], 100);
    EXPECT_EQ(j["picture"][3]["gamma"], "off");
    EXPECT_DOUBLE_EQ(j["picture"][0]["gamma"].get<double>(), 2.2);
    EXPECT_EQ(j["picture"][0]["colorTemp"], "user");
    EXPECT_EQ(j["link"]["state"], "synchronised");
    EXPECT_EQ(j["link"]["port"], "COM3");
    EXPECT_EQ(j["link"]["transfer"], false);
    EXPECT_EQ(text.find("58204173"), std::string::npos);
}

TEST(EventTracker, EachChangedPartIsOneEventAndNothingElse) {
    EventTracker tracker;
    DeviceState s;
    LinkSummary link;
    EXPECT_TRUE(tracker.Changes(s, link).empty()) << "the first look only takes the state in";
    EXPECT_TRUE(tracker.Changes(s, link).empty());
    s.currentInput = 1;
    s.layers[2].w = 1234;
    std::vector<std::string> events = tracker.Changes(s, link);
    ASSERT_EQ(events.size(), 2u);
    const auto input = nlohmann::json::parse(events[0]);
    EXPECT_EQ(input["event"], "input");
    EXPECT_EQ(input["data"]["currentInput"], 2);
    const auto layer = nlohmann::json::parse(events[1]);
    EXPECT_EQ(layer["event"], "layer");
    EXPECT_EQ(layer["data"]["layer"], 3);
    EXPECT_EQ(layer["data"]["window"]["w"], 1234);
    link.linkState = kLinkSynchronised;
    events = tracker.Changes(s, link);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(events[0])["data"]["state"], "synchronised");
    // A firmware transfer taking the line and giving it back: a link event each.
    for (bool transfer : {true, false}) {
        link.transferRunning = transfer;
        events = tracker.Changes(s, link);
        ASSERT_EQ(events.size(), 1u);
        const auto e = nlohmann::json::parse(events[0]);
        EXPECT_EQ(e["event"], "link");
        EXPECT_EQ(e["data"]["transfer"], transfer);
    }
}

} // namespace

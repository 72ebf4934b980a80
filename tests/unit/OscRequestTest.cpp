// OSC messages checked into the control interface's operations: the same operations, ranges
// and refusals as HTTP. What a message becomes is checked here; the ranges of the fields are
// ParseRequest's (ControlTest), one row shows they apply.

#include "control/OscRequest.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane::control;

namespace {

OscArgument I(std::int64_t v) {
    return {'i', v, 0.0, {}};
}
OscArgument F(double v) {
    return {'f', 0, v, {}};
}
OscArgument S(std::string v) {
    return {'s', 0, 0.0, std::move(v)};
}
OscArgument Bool(bool v) {
    return {v ? 'T' : 'F', 0, 0.0, {}};
}

TEST(OscRequest, GoodMessagesBecomeTheOperationsOfTheHttpInterface) {
    const auto op = [](const OscMessage& m) {
        const ParsedRequest r = ParseOscMessage(m);
        EXPECT_TRUE(r.Ok()) << m.address << ": " << r.error.message;
        return r.Ok() ? *r.operation : Operation{};
    };
    EXPECT_EQ(std::get<SelectInput>(op({"/corvane/input", {I(2)}})).input, 1)
        << "inputs as the operator counts them";
    EXPECT_EQ(std::get<RecallPreset>(op({"/corvane/preset/recall", {F(10.0)}})).preset, 9)
        << "a whole float, as QLab may send";
    EXPECT_EQ(std::get<LoadPresetSlot>(op({"/corvane/preset/load", {I(1)}})).slot, 0);
    for (const auto& [argument, on] : std::vector<std::pair<OscArgument, bool>>{
             {Bool(true), true}, {Bool(false), false}, {I(1), true}, {I(0), false}, {F(1.0), true}}) {
        const SetLayer layer = std::get<SetLayer>(op({"/corvane/layer/3/on", {argument}}));
        EXPECT_EQ(std::tie(layer.layer, layer.on, layer.window),
                  std::tuple(2, std::optional(on), std::nullopt));
    }
    const SetLayer window =
        std::get<SetLayer>(op({"/corvane/layer/1/window", {I(125), I(198), I(1920), I(1080)}}));
    ASSERT_TRUE(window.window && !window.on);
    EXPECT_EQ(std::tie(window.window->x, window.window->h), std::tuple(125u, 1080u));
    const SetPicture p = std::get<SetPicture>(op({"/corvane/picture/4/brightness", {I(60)}}));
    EXPECT_EQ(std::tie(p.output, p.brightness, p.contrast), std::tuple(3, std::optional(60), std::nullopt));
    EXPECT_EQ(std::get<SetPicture>(op({"/corvane/picture/1/gamma", {F(2.2)}})).gamma, 22) << "kept as tenths";
    EXPECT_EQ(std::get<SetPicture>(op({"/corvane/picture/1/gamma", {S("off")}})).gamma, 255);
    EXPECT_EQ(std::get<SetPicture>(op({"/corvane/picture/2/colortemp", {S("6500K")}})).colorTemp, 2);
    EXPECT_TRUE(std::holds_alternative<Synchronise>(op({"/corvane/sync", {}})));
}

TEST(OscRequest, BadMessagesAreRefusedWithTheFieldAtFault) {
    struct Case {
        const char* name;
        OscMessage message;
        int status;
        const char* field;
    };
    const std::vector<Case> cases = {
        {"not ours", {"/qlab/go", {}}, 404, ""},
        {"unknown operation", {"/corvane/output", {I(1)}}, 404, ""},
        {"unknown picture value", {"/corvane/picture/1/hue", {I(1)}}, 404, ""},
        {"the root alone", {"/corvane/", {}}, 404, ""},
        {"a trailing part", {"/corvane/input/1", {I(1)}}, 404, ""},
        {"missing argument", {"/corvane/input", {}}, 400, "input"},
        {"too many arguments", {"/corvane/preset/recall", {I(1), I(2)}}, 400, "preset"},
        {"a text for a number", {"/corvane/input", {S("2")}}, 400, "input"},
        {"a switch for a number", {"/corvane/input", {Bool(true)}}, 400, "input"},
        {"input out of range", {"/corvane/input", {I(5)}}, 400, "input"},
        {"a float that is no number", {"/corvane/input", {F(std::nan(""))}}, 400, "input"},
        {"a float that is not whole", {"/corvane/preset/recall", {F(2.5)}}, 400, "preset"},
        {"layer out of range", {"/corvane/layer/5/on", {I(1)}}, 400, "layer"},
        {"layer is no number", {"/corvane/layer/x/on", {I(1)}}, 400, "layer"},
        {"a switch of 2", {"/corvane/layer/1/on", {I(2)}}, 400, "on"},
        {"a switch as text", {"/corvane/layer/1/on", {S("on")}}, 400, "on"},
        {"window of three", {"/corvane/layer/1/window", {I(1), I(2), I(300)}}, 400, "window"},
        {"window with a text", {"/corvane/layer/1/window", {I(0), S("0"), I(64), I(64)}}, 400, "y"},
        {"gamma as another text", {"/corvane/picture/1/gamma", {S("on")}}, 400, "gamma"},
        {"colour temperature as a number", {"/corvane/picture/1/colortemp", {I(6500)}}, 400, "colorTemp"},
        {"sync with an argument", {"/corvane/sync", {I(1)}}, 400, ""},
        {"an unknown type tag", {"/corvane/input", {{'b', 0, 0.0, {}}}}, 400, "input"},
        // Bytes that are no UTF-8 are refused, not thrown at the window.
        {"a name that is no UTF-8", {"/corvane/picture/1/gamma", {S("o\xff\xfe")}}, 400, "gamma"},
        {"an address that is no UTF-8", {"/corvane/\xffinput", {I(1)}}, 404, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedRequest r = ParseOscMessage(c.message);
        ASSERT_FALSE(r.Ok());
        EXPECT_EQ(r.error.status, c.status) << r.error.message;
        EXPECT_EQ(r.error.field, c.field) << r.error.message;
        EXPECT_FALSE(r.error.message.empty());
    }
}

} // namespace

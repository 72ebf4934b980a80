// The control interface without the network: the checks of every request (a table of what a
// show controller may get wrong), the token and address rules, the rate limit with time passed
// in, the answer to a request against a recording target, and the events of state changes.

#include "control/ControlAccess.h"
#include "control/ControlRequest.h"
#include "control/ControlService.h"
#include "control/StateJson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::control;

namespace {

struct BadRequest {
    const char* what;
    const char* method;
    const char* path;
    std::string body;
    int status;
    const char* field;
};

class RequestValidation : public ::testing::TestWithParam<BadRequest> {};

TEST_P(RequestValidation, IsRefusedNamingTheField) {
    const BadRequest& c = GetParam();
    const ParsedRequest r = ParseRequest(c.method, c.path, c.body);
    ASSERT_FALSE(r.Ok()) << c.what;
    EXPECT_EQ(r.error.status, c.status) << c.what;
    EXPECT_EQ(r.error.field, c.field) << c.what;
    EXPECT_FALSE(r.error.message.empty()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RequestValidation,
    ::testing::Values(
        // the operation
        BadRequest{"unknown operation", "POST", "/api/reboot", "{}", 404, ""},
        BadRequest{"unknown root", "GET", "/", "", 404, ""},
        BadRequest{"prefix only", "POST", "/api/input/2", "{}", 404, ""},
        BadRequest{"GET of a change", "GET", "/api/input", "", 405, ""},
        BadRequest{"POST of a read", "POST", "/api/state", "", 405, ""},
        BadRequest{"other method", "DELETE", "/api/layer", "", 405, ""},
        // the body
        BadRequest{"oversized body", "POST", "/api/input", std::string(kMaxBodyBytes + 1, ' '), 413, "body"},
        BadRequest{"not JSON", "POST", "/api/input", "input=2", 400, "body"},
        BadRequest{"truncated JSON", "POST", "/api/input", "{\"input\": 2", 400, "body"},
        BadRequest{"array body", "POST", "/api/input", "[2]", 400, "body"},
        BadRequest{"number body", "POST", "/api/input", "2", 400, "body"},
        BadRequest{"unknown field", "POST", "/api/input", R"({"input":2,"force":true})", 400, "force"},
        BadRequest{"sync with a field", "POST", "/api/sync", R"({"now":1})", 400, "now"},
        // missing
        BadRequest{"input missing", "POST", "/api/input", "{}", 400, "input"},
        BadRequest{"empty body for input", "POST", "/api/input", "", 400, "input"},
        BadRequest{"preset missing", "POST", "/api/preset/recall", "{}", 400, "preset"},
        BadRequest{"slot missing", "POST", "/api/preset/load", "{}", 400, "slot"},
        BadRequest{"layer missing", "POST", "/api/layer", R"({"on":true})", 400, "layer"},
        BadRequest{"layer with nothing to set", "POST", "/api/layer", R"({"layer":1})", 400, "on"},
        BadRequest{"window without h", "POST", "/api/layer", R"({"layer":1,"x":0,"y":0,"w":100})", 400, "h"},
        BadRequest{"window without x", "POST", "/api/layer", R"({"layer":1,"w":100,"h":100,"y":0})", 400,
                   "x"},
        BadRequest{"output missing", "POST", "/api/picture", R"({"brightness":1})", 400, "output"},
        BadRequest{"picture with nothing to set", "POST", "/api/picture", R"({"output":1})", 400, "output"},
        // wrong type
        BadRequest{"input as text", "POST", "/api/input", R"({"input":"2"})", 400, "input"},
        BadRequest{"input as bool", "POST", "/api/input", R"({"input":true})", 400, "input"},
        BadRequest{"input as fraction", "POST", "/api/input", R"({"input":2.5})", 400, "input"},
        BadRequest{"input as null", "POST", "/api/input", R"({"input":null})", 400, "input"},
        BadRequest{"input as object", "POST", "/api/input", R"({"input":{"n":2}})", 400, "input"},
        BadRequest{"on as number", "POST", "/api/layer", R"({"layer":1,"on":1})", 400, "on"},
        BadRequest{"x as text", "POST", "/api/layer", R"({"layer":1,"x":"0","y":0,"w":64,"h":64})", 400, "x"},
        BadRequest{"gamma as bool", "POST", "/api/picture", R"({"output":1,"gamma":true})", 400, "gamma"},
        BadRequest{"gamma other text", "POST", "/api/picture", R"({"output":1,"gamma":"on"})", 400, "gamma"},
        BadRequest{"colour temperature as index", "POST", "/api/picture", R"({"output":1,"colorTemp":3})",
                   400, "colorTemp"},
        // out of range
        BadRequest{"input 0", "POST", "/api/input", R"({"input":0})", 400, "input"},
        BadRequest{"input 5", "POST", "/api/input", R"({"input":5})", 400, "input"},
        BadRequest{"input negative", "POST", "/api/input", R"({"input":-1})", 400, "input"},
        BadRequest{"input huge", "POST", "/api/input", R"({"input":18446744073709551615})", 400, "input"},
        BadRequest{"input beyond 64 bits", "POST", "/api/input", R"({"input":1e300})", 400, "input"},
        BadRequest{"preset 11", "POST", "/api/preset/recall", R"({"preset":11})", 400, "preset"},
        BadRequest{"slot 0", "POST", "/api/preset/load", R"({"slot":0})", 400, "slot"},
        BadRequest{"layer 5", "POST", "/api/layer", R"({"layer":5,"on":true})", 400, "layer"},
        BadRequest{"x beyond the canvas", "POST", "/api/layer",
                   R"({"layer":1,"x":60000,"y":0,"w":64,"h":64})", 400, "x"},
        BadRequest{"width below 32", "POST", "/api/layer", R"({"layer":1,"x":0,"y":0,"w":31,"h":64})", 400,
                   "w"},
        BadRequest{"x + w beyond the canvas", "POST", "/api/layer",
                   R"({"layer":1,"x":59000,"y":0,"w":1000,"h":64})", 400, "w"},
        BadRequest{"y + h beyond the canvas", "POST", "/api/layer",
                   R"({"layer":1,"x":0,"y":59000,"w":64,"h":1000})", 400, "h"},
        BadRequest{"brightness 256", "POST", "/api/picture", R"({"output":1,"brightness":256})", 400,
                   "brightness"},
        BadRequest{"blue negative", "POST", "/api/picture", R"({"output":1,"blue":-3})", 400, "blue"},
        BadRequest{"gamma 0.4", "POST", "/api/picture", R"({"output":1,"gamma":0.4})", 400, "gamma"},
        BadRequest{"gamma 5.1", "POST", "/api/picture", R"({"output":1,"gamma":5.1})", 400, "gamma"},
        BadRequest{"output 5", "POST", "/api/picture", R"({"output":5,"contrast":1})", 400, "output"},
        BadRequest{"unknown colour temperature", "POST", "/api/picture",
                   R"({"output":1,"colorTemp":"3200K"})", 400, "colorTemp"},
        BadRequest{"gains with a preset temperature", "POST", "/api/picture",
                   R"({"output":1,"colorTemp":"6500K","red":100})", 400, "colorTemp"}),
    [](const ::testing::TestParamInfo<BadRequest>& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(RequestParsing, GoodRequestsBecomeOperationsWithIndicesFromZero) {
    {
        const ParsedRequest r = ParseRequest("POST", "/api/input", R"({"input": 2})");
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(std::get<SelectInput>(*r.operation).input, 1);
    }
    {
        const ParsedRequest r = ParseRequest("POST", "/api/preset/recall/", R"({"preset": 3.0})");
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(std::get<RecallPreset>(*r.operation).preset, 2);
    }
    {
        const ParsedRequest r = ParseRequest("POST", "/api/preset/load", R"({"slot": 10})");
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(std::get<LoadPresetSlot>(*r.operation).slot, 9);
    }
    {
        const ParsedRequest r =
            ParseRequest("POST", "/api/layer", R"({"layer":1,"on":true,"x":0,"y":0,"w":59999,"h":32})");
        ASSERT_TRUE(r.Ok());
        const auto& op = std::get<SetLayer>(*r.operation);
        EXPECT_EQ(op.layer, 0);
        EXPECT_EQ(op.on, true);
        ASSERT_TRUE(op.window);
        EXPECT_EQ(op.window->w, 59999u);
        EXPECT_EQ(op.window->h, 32u);
    }
    {
        const ParsedRequest r = ParseRequest("POST", "/api/layer", R"({"layer":4,"on":false})");
        ASSERT_TRUE(r.Ok());
        EXPECT_FALSE(std::get<SetLayer>(*r.operation).window);
    }
    {
        const ParsedRequest r = ParseRequest("POST", "/api/picture", R"({"output":2,"gamma":2.2,"green":7})");
        ASSERT_TRUE(r.Ok());
        const auto& op = std::get<SetPicture>(*r.operation);
        EXPECT_EQ(op.output, 1);
        EXPECT_EQ(op.gamma, 22);
        EXPECT_EQ(op.green, 7);
        EXPECT_EQ(op.colorTemp, 8) << "a gain makes the colour temperature the user's";
        EXPECT_FALSE(op.brightness);
    }
    {
        const ParsedRequest r =
            ParseRequest("POST", "/api/picture", R"({"output":4,"gamma":"off","colorTemp":"9300K"})");
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(std::get<SetPicture>(*r.operation).gamma, 255);
        EXPECT_EQ(std::get<SetPicture>(*r.operation).colorTemp, 5);
    }
    EXPECT_TRUE(ParseRequest("POST", "/api/sync", "").Ok());
    EXPECT_TRUE(ParseRequest("POST", "/api/sync", " {} ").Ok());
    EXPECT_TRUE(ParseRequest("GET", "/api/state", "").Ok());
    EXPECT_TRUE(ParseRequest("GET", "/api/status", "").Ok());
    EXPECT_TRUE(ParseRequest("POST", "/api/input",
                             std::string(R"({"input":1})") + std::string(kMaxBodyBytes - 11, ' '))
                    .Ok())
        << "a body of exactly the limit is taken";
}

// ---- address and token

TEST(ControlAccess, LoopbackAddresses) {
    for (const char* a : {"127.0.0.1", "127.1.2.3", "::1", "localhost"})
        EXPECT_TRUE(IsLoopbackAddress(a)) << a;
    for (const char* a : {"0.0.0.0", "192.168.1.10", "127.0.0", "127.0.0.1.5", "127.0.0.256", "127..0.1",
                          "127.0.0.1 ", "::", "1127.0.0.1", ""})
        EXPECT_FALSE(IsLoopbackAddress(a)) << a;
}

TEST(ControlAccess, AnotherAddressThanLoopbackNeedsALongToken) {
    ControlSettings s;
    std::string why;
    EXPECT_TRUE(MayStart(s, &why));
    s.address = "0.0.0.0";
    EXPECT_FALSE(MayStart(s, &why));
    EXPECT_NE(why.find("token"), std::string::npos);
    s.token = "short";
    EXPECT_FALSE(MayStart(s, &why));
    s.token = "0123456789abcdef";
    EXPECT_TRUE(MayStart(s, &why));
    s.port = 0;
    EXPECT_FALSE(MayStart(s, &why));
}

TEST(ControlAccess, TokenRules) {
    ControlSettings loop;
    EXPECT_FALSE(TokenRequired(loop));
    EXPECT_TRUE(Authorised(loop, ""));
    EXPECT_TRUE(Authorised(loop, "Bearer anything")) << "no token set on loopback: none is asked";

    ControlSettings loopWithToken;
    loopWithToken.token = "secret-secret-secret";
    EXPECT_TRUE(TokenRequired(loopWithToken)) << "a token that is set is always asked";
    EXPECT_FALSE(Authorised(loopWithToken, ""));

    ControlSettings remote;
    remote.address = "192.168.1.20";
    remote.token = "0123456789abcdef0123";
    EXPECT_TRUE(TokenRequired(remote));
    EXPECT_FALSE(Authorised(remote, ""));
    EXPECT_FALSE(Authorised(remote, "Bearer "));
    EXPECT_FALSE(Authorised(remote, "Bearer 0123456789abcdef012"));
    EXPECT_FALSE(Authorised(remote, "Bearer 0123456789abcdef01234"));
    EXPECT_FALSE(Authorised(remote, "Basic 0123456789abcdef0123"));
    EXPECT_FALSE(Authorised(remote, "0123456789abcdef0123"));
    EXPECT_TRUE(Authorised(remote, "Bearer 0123456789abcdef0123"));
    EXPECT_TRUE(Authorised(remote, "bearer  0123456789abcdef0123 "));
    EXPECT_TRUE(Authorised(remote, "", "0123456789abcdef0123")) << "the event socket's query token";
    EXPECT_FALSE(Authorised(remote, "", "wrong"));

    ControlSettings remoteNoToken;
    remoteNoToken.address = "10.0.0.1";
    EXPECT_FALSE(Authorised(remoteNoToken, "")) << "never open without a token";
}

TEST(ControlAccess, TokensCompareWhole) {
    EXPECT_TRUE(TokensEqual("abc", "abc"));
    EXPECT_FALSE(TokensEqual("abc", "abd"));
    EXPECT_FALSE(TokensEqual("abc", "ab"));
    EXPECT_FALSE(TokensEqual("abc", "abcd"));
    EXPECT_FALSE(TokensEqual("abc", ""));
}

// ---- rate limit

TEST(RateLimiter, BurstThenRatePerClient) {
    RateLimiter limiter(10); // 10 a second, bursts of 20
    int allowed = 0;
    for (int i = 0; i < 50; ++i)
        allowed += limiter.Allow("a", 1000) ? 1 : 0;
    EXPECT_EQ(allowed, 20);
    EXPECT_TRUE(limiter.Allow("b", 1000)) << "another client has its own bucket";
    EXPECT_FALSE(limiter.Allow("a", 1050));
    EXPECT_TRUE(limiter.Allow("a", 1100)) << "one token every 100 ms";
    EXPECT_FALSE(limiter.Allow("a", 1100));
    EXPECT_FALSE(limiter.Allow("a", 500)) << "a clock that goes back gives nothing";
}

TEST(RateLimiter, TheTableOfClientsIsBounded) {
    RateLimiter limiter(1);
    for (std::size_t i = 0; i < RateLimiter::kMaxClients + 100; ++i)
        limiter.Allow("client" + std::to_string(i), 0);
    EXPECT_LE(limiter.ClientCount(), RateLimiter::kMaxClients);
    // Once their buckets are full again, old clients make room.
    EXPECT_TRUE(limiter.Allow("late", 10000));
    EXPECT_LE(limiter.ClientCount(), RateLimiter::kMaxClients);
}

// ---- the answer to a request

class RecordingTarget : public ControlTarget {
public:
    RecordingTarget() { state.linkState = kLinkSynchronised; }
    const DeviceState& State() const override { return state; }
    LinkSummary Link() const override {
        LinkSummary l;
        l.linkState = state.linkState;
        l.waiting = waiting;
        return l;
    }
    Outcome Execute(const Operation& op) override {
        executed.push_back(OperationName(op));
        return outcome;
    }
    DeviceState state;
    bool waiting = false;
    Outcome outcome = Outcome::Sent;
    std::vector<std::string> executed;
};

HttpRequest Post(const char* path, const char* body, const char* auth = "") {
    return HttpRequest{"POST", path, body, auth, "127.0.0.1"};
}

TEST(ControlService, ChangesNeedASynchronisedLinkAndNothingIsExecutedWithout) {
    RecordingTarget target;
    ControlService service({}, target);
    for (std::uint32_t link : {kLinkClosed, kLinkOpen}) {
        target.state.linkState = link;
        const HttpResponse r = service.Handle(Post("/api/preset/recall", R"({"preset":3})"), 0);
        EXPECT_EQ(r.status, 409);
        EXPECT_NE(r.body.find("not synchronised"), std::string::npos);
        // Reading is always possible.
        EXPECT_EQ(service.Handle({"GET", "/api/state", "", "", "127.0.0.1"}, 0).status, 200);
    }
    EXPECT_TRUE(target.executed.empty());
    target.state.linkState = kLinkSynchronised;
    target.waiting = true;
    EXPECT_EQ(service.Handle(Post("/api/input", R"({"input":2})"), 0).status, 409);
    EXPECT_TRUE(target.executed.empty()) << "nothing is sent while a wait is shown";
    target.waiting = false;
    const HttpResponse ok = service.Handle(Post("/api/input", R"({"input":2})"), 0);
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(nlohmann::json::parse(ok.body)["sent"], true);
    EXPECT_EQ(target.executed, std::vector<std::string>{"input"});
}

TEST(ControlService, BadRequestsNeverReachTheTarget) {
    RecordingTarget target;
    ControlService service({}, target);
    const HttpResponse r = service.Handle(Post("/api/layer", R"({"layer":9,"on":true})"), 0);
    EXPECT_EQ(r.status, 400);
    EXPECT_EQ(nlohmann::json::parse(r.body)["field"], "layer");
    EXPECT_TRUE(target.executed.empty());
    target.outcome = Outcome::NoPresetFile;
    EXPECT_EQ(service.Handle(Post("/api/preset/load", R"({"slot":4})"), 0).status, 404);
}

TEST(ControlService, RequestsWithoutTheTokenAreRefusedAndLogged) {
    RecordingTarget target;
    ControlSettings s;
    s.address = "0.0.0.0";
    s.token = "0123456789abcdef-token";
    ControlService service(s, target);
    for (const char* auth : {"", "Bearer nope"}) {
        const HttpResponse r = service.Handle(Post("/api/input", R"({"input":2})", auth), 0);
        EXPECT_EQ(r.status, 401);
        EXPECT_TRUE(r.refused);
        EXPECT_FALSE(r.logLine.empty());
        EXPECT_EQ(r.logLine.find("0123456789abcdef-token"), std::string::npos)
            << "the log never holds the token";
    }
    EXPECT_EQ(service.Handle({"GET", "/api/state", "", "", "10.0.0.9"}, 0).status, 401);
    EXPECT_TRUE(target.executed.empty());
    EXPECT_EQ(service.Handle(Post("/api/input", R"({"input":2})", "Bearer 0123456789abcdef-token"), 0).status,
              200);
}

TEST(ControlService, AFloodingClientGets429AndOthersGoOn) {
    RecordingTarget target;
    ControlSettings s;
    s.ratePerSecond = 5;
    ControlService service(s, target);
    int refused = 0;
    for (int i = 0; i < 100; ++i)
        refused += service.Handle({"GET", "/api/status", "", "", "10.0.0.1"}, 0).status == 429 ? 1 : 0;
    EXPECT_EQ(refused, 90);
    EXPECT_EQ(service.Handle({"GET", "/api/status", "", "", "10.0.0.2"}, 0).status, 200);
}

// ---- JSON of the state and its events

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
}

} // namespace

// The control interface without the network: the checks of every request (a table of what a
// show controller may get wrong), the token and address rules, the headers that keep a
// browser's page out (a table of Host, Origin and Content-Type), the rate limit with time
// passed in, the count of connections, the answer to a request against a recording target
// (a running firmware transfer among its refusals). The state's JSON: StateJsonTest.

#include "RecordingTarget.h"
#include "control/ControlAccess.h"
#include "control/ControlRequest.h"
#include "control/ControlService.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

using namespace corvane;
using namespace corvane::control;

namespace {

// Each refused request: its status and the field its answer names.
TEST(RequestValidation, EachBadRequestIsRefusedNamingTheField) {
    const struct {
        const char* what;
        const char* method;
        const char* path;
        std::string body;
        int status;
        const char* field;
    } cases[] = {
        {"unknown operation", "POST", "/api/reboot", "{}", 404, ""},
        {"prefix only", "POST", "/api/input/2", "{}", 404, ""},
        {"GET of a change", "GET", "/api/input", "", 405, ""},
        {"POST of a read", "POST", "/api/state", "", 405, ""},
        {"other method", "DELETE", "/api/layer", "", 405, ""},
        {"oversized body", "POST", "/api/input", std::string(kMaxBodyBytes + 1, ' '), 413, "body"},
        {"not JSON", "POST", "/api/input", "input=2", 400, "body"},
        {"array body", "POST", "/api/input", "[2]", 400, "body"},
        {"unknown field", "POST", "/api/input", R"({"input":2,"force":true})", 400, "force"},
        {"sync with a field", "POST", "/api/sync", R"({"now":1})", 400, "now"},
        {"input missing", "POST", "/api/input", "{}", 400, "input"},
        {"empty body for input", "POST", "/api/input", "", 400, "input"},
        {"preset missing", "POST", "/api/preset/recall", "{}", 400, "preset"},
        {"slot missing", "POST", "/api/preset/load", "{}", 400, "slot"},
        {"layer missing", "POST", "/api/layer", R"({"on":true})", 400, "layer"},
        {"layer with nothing to set", "POST", "/api/layer", R"({"layer":1})", 400, "on"},
        {"window without h", "POST", "/api/layer", R"({"layer":1,"x":0,"y":0,"w":100})", 400, "h"},
        {"output missing", "POST", "/api/picture", R"({"brightness":1})", 400, "output"},
        {"picture with nothing to set", "POST", "/api/picture", R"({"output":1})", 400, "output"},
        {"input as text", "POST", "/api/input", R"({"input":"2"})", 400, "input"},
        {"input as bool", "POST", "/api/input", R"({"input":true})", 400, "input"},
        {"input as fraction", "POST", "/api/input", R"({"input":2.5})", 400, "input"},
        {"on as number", "POST", "/api/layer", R"({"layer":1,"on":1})", 400, "on"},
        {"gamma as bool", "POST", "/api/picture", R"({"output":1,"gamma":true})", 400, "gamma"},
        {"gamma other text", "POST", "/api/picture", R"({"output":1,"gamma":"on"})", 400, "gamma"},
        {"temp as index", "POST", "/api/picture", R"({"output":1,"colorTemp":3})", 400, "colorTemp"},
        {"input 0", "POST", "/api/input", R"({"input":0})", 400, "input"},
        {"input 5", "POST", "/api/input", R"({"input":5})", 400, "input"},
        {"input negative", "POST", "/api/input", R"({"input":-1})", 400, "input"},
        {"input huge", "POST", "/api/input", R"({"input":18446744073709551615})", 400, "input"},
        {"preset 11", "POST", "/api/preset/recall", R"({"preset":11})", 400, "preset"},
        {"slot 0", "POST", "/api/preset/load", R"({"slot":0})", 400, "slot"},
        {"layer 5", "POST", "/api/layer", R"({"layer":5,"on":true})", 400, "layer"},
        {"x past", "POST", "/api/layer", R"({"layer":1,"x":60000,"y":0,"w":64,"h":64})", 400, "x"},
        {"w 31", "POST", "/api/layer", R"({"layer":1,"x":0,"y":0,"w":31,"h":64})", 400, "w"},
        {"x + w past", "POST", "/api/layer", R"({"layer":1,"x":59000,"y":0,"w":1000,"h":64})", 400, "w"},
        {"y + h past", "POST", "/api/layer", R"({"layer":1,"x":0,"y":59000,"w":64,"h":1000})", 400, "h"},
        {"bright 256", "POST", "/api/picture", R"({"output":1,"brightness":256})", 400, "brightness"},
        {"gamma 0.4", "POST", "/api/picture", R"({"output":1,"gamma":0.4})", 400, "gamma"},
        {"gamma 5.1", "POST", "/api/picture", R"({"output":1,"gamma":5.1})", 400, "gamma"},
        {"output 5", "POST", "/api/picture", R"({"output":5,"contrast":1})", 400, "output"},
        {"temp 3200K", "POST", "/api/picture", R"({"output":1,"colorTemp":"3200K"})", 400, "colorTemp"},
        {"gain, temp", "POST", "/api/picture", R"({"output":1,"colorTemp":"6500K","red":100})", 400,
         "colorTemp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ParsedRequest r = ParseRequest(c.method, c.path, c.body);
        ASSERT_FALSE(r.Ok());
        EXPECT_EQ(r.error.status, c.status);
        EXPECT_EQ(r.error.field, c.field);
        EXPECT_FALSE(r.error.message.empty());
    }
}

TEST(RequestParsing, GoodRequestsBecomeOperationsWithIndicesFromZero) {
    const auto op = [](const char* path, const char* body) {
        const ParsedRequest r = ParseRequest("POST", path, body);
        EXPECT_TRUE(r.Ok()) << path << " " << body;
        return r.Ok() ? *r.operation : Operation{};
    };
    EXPECT_EQ(std::get<SelectInput>(op("/api/input", R"({"input": 2})")).input, 1);
    EXPECT_EQ(std::get<RecallPreset>(op("/api/preset/recall/", R"({"preset": 3.0})")).preset, 2);
    EXPECT_EQ(std::get<LoadPresetSlot>(op("/api/preset/load", R"({"slot": 10})")).slot, 9);
    const auto layer =
        std::get<SetLayer>(op("/api/layer", R"({"layer":1,"on":true,"x":0,"y":0,"w":59999,"h":32})"));
    ASSERT_TRUE(layer.window && layer.on);
    EXPECT_EQ(std::tie(layer.layer, *layer.on, layer.window->w, layer.window->h),
              std::tuple(0, true, 59999u, 32u));
    EXPECT_FALSE(std::get<SetLayer>(op("/api/layer", R"({"layer":4,"on":false})")).window);
    const auto picture = std::get<SetPicture>(op("/api/picture", R"({"output":2,"gamma":2.2,"green":7})"));
    // A gain makes the colour temperature the user's (8).
    EXPECT_EQ(std::tie(picture.output, picture.gamma, picture.green, picture.colorTemp),
              std::tuple(1, 22, 7, 8));
    EXPECT_FALSE(picture.brightness);
    const auto off =
        std::get<SetPicture>(op("/api/picture", R"({"output":4,"gamma":"off","colorTemp":"9300K"})"));
    EXPECT_EQ(std::tie(off.gamma, off.colorTemp), std::tuple(255, 5));
    for (const auto& [method, path, body] : {std::tuple("POST", "/api/sync", ""),
                                             {"POST", "/api/sync", " {} "},
                                             {"GET", "/api/state", ""},
                                             {"GET", "/api/status", ""}})
        EXPECT_TRUE(ParseRequest(method, path, body).Ok()) << path;
    EXPECT_TRUE(ParseRequest("POST", "/api/input",
                             std::string(R"({"input":1})") + std::string(kMaxBodyBytes - 11, ' '))
                    .Ok())
        << "a body of exactly the limit is taken";
}

// ---- address and token

TEST(ControlAccess, LoopbackAddresses) {
    for (const char* a : {"127.0.0.1", "127.1.2.3", "::1", "localhost"})
        EXPECT_TRUE(IsLoopbackAddress(a)) << a;
    for (const char* a :
         {"0.0.0.0", "192.168.1.10", "127.0.0", "127.0.0.1.5", "127.0.0.256", "127..0.1", "127.0.0.1 ",
          "::", "1127.0.0.1", "1270.0.0.1", "127x0.0.1", "127.0.0.", "128.0.0.1", ""})
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
    for (const char* auth : {"", "Bearer ", "Bearer 0123456789abcdef012", "Bearer 0123456789abcdef01234",
                             "Basic 0123456789abcdef0123", "0123456789abcdef0123"})
        EXPECT_FALSE(Authorised(remote, auth)) << auth;
    EXPECT_TRUE(Authorised(remote, "Bearer 0123456789abcdef0123"));
    EXPECT_TRUE(Authorised(remote, "bearer  0123456789abcdef0123 "));
    EXPECT_TRUE(Authorised(remote, "", "0123456789abcdef0123")) << "the event socket's query token";
    EXPECT_FALSE(Authorised(remote, "", "wrong"));

    ControlSettings remoteNoToken;
    remoteNoToken.address = "10.0.0.1";
    EXPECT_FALSE(Authorised(remoteNoToken, "")) << "never open without a token";
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

constexpr std::uint16_t kPort = 8642;

// A request as Qt's client sends it to the interface on 127.0.0.1:8642.
HttpRequest Request(const char* method, const char* path, const char* body = "", const char* auth = "",
                    std::string client = "127.0.0.1") {
    HttpRequest r;
    r.method = method;
    r.path = path;
    r.body = body;
    r.authorization = auth;
    r.client = std::move(client);
    r.host = "127.0.0.1:8642";
    r.contentType = std::string_view(method) == "POST" ? "application/json" : "";
    r.localAddress = "127.0.0.1";
    r.localPort = kPort;
    return r;
}

HttpRequest Post(const char* path, const char* body, const char* auth = "") {
    return Request("POST", path, body, auth);
}

HttpRequest Get(const char* path, std::string client = "127.0.0.1") {
    return Request("GET", path, "", "", std::move(client));
}

// The gates before a change runs, in their order: the token, the fields, a running firmware
// transfer, the link's synchronisation, a wait shown; reading passes all but the token.
TEST(ControlService, EachGateAnswersInItsOrderAndARefusalReachesNothing) {
    const char* kAuth = "Bearer 0123456789abcdef-token";
    const char* kTransfer = "a firmware transfer is running: nothing was sent";
    const struct {
        const char* what;
        bool token; // the interface asks for one
        std::uint32_t link;
        bool waiting, transfer;
        HttpRequest request;
        int status;
        const char* says; // part of the answer's body
        Outcome outcome = Outcome::Sent;
    } cases[] = {
        {"closed link", false, kLinkClosed, false, false, Post("/api/preset/recall", R"({"preset":3})"), 409,
         "not synchronised"},
        {"sync on an open link", false, kLinkOpen, false, false, Post("/api/sync", ""), 409,
         "not synchronised"},
        {"reading on an open link", false, kLinkOpen, false, false, Get("/api/state"), 200, ""},
        {"a wait shown", false, kLinkSynchronised, true, false, Post("/api/input", R"({"input":2})"), 409,
         "earlier change"},
        {"a bad field", false, kLinkSynchronised, false, false,
         Post("/api/layer", R"({"layer":9,"on":true})"), 400, R"("field":"layer")"},
        {"no preset file", false, kLinkSynchronised, false, false, Post("/api/preset/load", R"({"slot":4})"),
         404, "", Outcome::NoPresetFile},
        {"no token", true, kLinkSynchronised, false, false, Post("/api/input", R"({"input":2})"), 401, ""},
        {"a wrong token", true, kLinkSynchronised, false, false,
         Post("/api/input", R"({"input":2})", "Bearer x"), 401, ""},
        {"reading without the token", true, kLinkSynchronised, false, false, Get("/api/state", "10.0.0.9"),
         401, ""},
        {"a wrong token in a transfer", true, kLinkSynchronised, false, true,
         Post("/api/input", R"({"input":2})", "Bearer x"), 401, ""},
        {"fields before a transfer", true, kLinkSynchronised, false, true, Post("/api/input", "{}", kAuth),
         400, R"("field":"input")"},
        {"a transfer", true, kLinkSynchronised, false, true, Post("/api/input", R"({"input":2})", kAuth), 409,
         kTransfer},
        {"a transfer before the link and the wait", true, kLinkOpen, true, true, Post("/api/sync", "", kAuth),
         409, kTransfer},
        {"a layer in a transfer", true, kLinkSynchronised, false, true,
         Post("/api/layer", R"({"layer":1,"on":true})", kAuth), 409, kTransfer},
        {"reading in a transfer", true, kLinkOpen, false, true, Request("GET", "/api/status", "", kAuth), 200,
         R"("transfer":true)"},
        {"sent", true, kLinkSynchronised, false, false, Post("/api/input", R"({"input":2})", kAuth), 200,
         R"("sent":true)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingTarget target;
        target.state.linkState = c.link;
        target.waiting = c.waiting;
        target.transfer = c.transfer;
        target.outcome = c.outcome;
        ControlSettings s;
        if (c.token) {
            s.address = "0.0.0.0";
            s.token = "0123456789abcdef-token";
        }
        ControlService service(s, target);
        const HttpResponse r = service.Handle(c.request, 0);
        EXPECT_EQ(r.status, c.status) << r.body;
        EXPECT_NE(r.body.find(c.says), std::string::npos) << r.body;
        const bool ran = c.status == 200 && c.request.method == "POST";
        EXPECT_EQ(target.executed.size(), ran || c.outcome != Outcome::Sent ? 1u : 0u);
        if (c.status == 401) {
            EXPECT_TRUE(r.refused);
            EXPECT_FALSE(r.logLine.empty());
            EXPECT_EQ(r.logLine.find("0123456789abcdef-token"), std::string::npos)
                << "the log never holds it";
        }
    }
}

TEST(ControlService, AFloodingClientGets429AndOthersGoOn) {
    RecordingTarget target;
    ControlSettings s;
    s.ratePerSecond = 5;
    ControlService service(s, target);
    int refused = 0;
    for (int i = 0; i < 100; ++i)
        refused += service.Handle(Get("/api/status", "10.0.0.1"), 0).status == 429 ? 1 : 0;
    EXPECT_EQ(refused, 90);
    EXPECT_EQ(service.Handle(Get("/api/status", "10.0.0.2"), 0).status, 200);
}

// ---- the headers that keep a browser's page out

// A POST or OPTIONS of /api/input (its body a good one), a GET of /api/state.
struct HeaderCase {
    const char* what;
    const char* method;
    std::optional<std::string> host; // none: no Host header
    std::optional<std::string> origin;
    std::string contentType;
    int status;
    std::string localAddress = "127.0.0.1"; // where the connection arrived
};

void PrintTo(const HeaderCase& c, std::ostream* out) {
    *out << c.what;
}

HttpRequest FromCase(const HeaderCase& c) {
    const bool get = std::string_view(c.method) == "GET";
    HttpRequest r = Request(c.method, get ? "/api/state" : "/api/input", get ? "" : R"({"input":2})");
    r.host = c.host ? std::optional<std::string_view>(*c.host) : std::nullopt;
    r.origin = c.origin ? std::optional<std::string_view>(*c.origin) : std::nullopt;
    r.contentType = c.contentType;
    r.localAddress = c.localAddress;
    return r;
}

class BrowserRules : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BrowserRules, EachHeaderHasItsAnswerAndARefusalReachesNothing) {
    const HeaderCase& c = GetParam();
    RecordingTarget target;
    ControlSettings s;
    s.allowedOrigins = {"http://panel.example:8080", "https://[fd00::5]"};
    ControlService service(s, target);
    const HttpResponse r = service.Handle(FromCase(c), 0);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.body;
    const bool changed = c.status == 200 && std::string_view(c.method) == "POST";
    EXPECT_EQ(target.executed.size(), changed ? 1u : 0u) << c.what;
    if (c.status >= 400) {
        EXPECT_EQ(nlohmann::json::parse(r.body)["ok"], false) << c.what;
    }
    // The page of an allowed origin may read the answer; no other gets a CORS header.
    bool cors = false;
    for (const auto& [name, value] : r.headers)
        if (name == "Access-Control-Allow-Origin") {
            cors = true;
            EXPECT_EQ(value, *c.origin) << c.what;
        }
    EXPECT_EQ(cors, c.origin && c.status != 403 && c.status != 421) << c.what;
}

const char* const kJson = "application/json";

INSTANTIATE_TEST_SUITE_P(
    Table, BrowserRules,
    ::testing::Values(
        // Host: this interface's address and port, or on loopback the local names
        HeaderCase{"Qt's client", "POST", "127.0.0.1:8642", {}, kJson, 200},
        HeaderCase{"LOCALHOST", "GET", "LOCALHOST:8642", {}, {}, 200},
        HeaderCase{"[::1]", "GET", "[::1]:8642", {}, {}, 200},
        HeaderCase{"[::1] on ::1", "GET", "[::1]:8642", {}, {}, 200, "::1"},
        HeaderCase{"the arrival address", "GET", "192.168.10.5:8642", {}, {}, 200, "192.168.10.5"},
        HeaderCase{"another site", "POST", "evil.example:8642", {}, kJson, 421},
        HeaderCase{"rebinding name", "GET", "127.0.0.1.evil.com:8642", {}, {}, 421},
        HeaderCase{"localhost.", "GET", "localhost.:8642", {}, {}, 421},
        HeaderCase{"a wrong port", "GET", "127.0.0.1:8643", {}, {}, 421},
        HeaderCase{"no port is 80", "GET", "127.0.0.1", {}, {}, 421},
        HeaderCase{"a port with more", "GET", "127.0.0.1:8642x", {}, {}, 421},
        HeaderCase{"::1 without brackets", "GET", "::1:8642", {}, {}, 421},
        HeaderCase{"an IPv4 in brackets", "GET", "[127.0.0.1]:8642", {}, {}, 421},
        HeaderCase{"local names off loopback", "GET", "localhost:8642", {}, {}, 421, "192.168.10.5"},
        HeaderCase{"another address of the PC", "GET", "192.168.10.6:8642", {}, {}, 421, "192.168.10.5"},
        HeaderCase{"an empty Host", "GET", "", {}, {}, 421}, HeaderCase{"no Host", "GET", {}, {}, {}, 421},
        // Origin: only the listed ones, whole, scheme and host without regard to case
        HeaderCase{"an allowed origin", "POST", "127.0.0.1:8642", "http://panel.example:8080", kJson, 200},
        HeaderCase{"in capitals", "GET", "127.0.0.1:8642", "HTTP://Panel.Example:8080", {}, 200},
        HeaderCase{"an IPv6 origin", "GET", "127.0.0.1:8642", "https://[FD00::5]", {}, 200},
        HeaderCase{"with a trailing slash", "GET", "127.0.0.1:8642", "http://panel.example:8080/", {}, 403},
        HeaderCase{"another port", "GET", "127.0.0.1:8642", "http://panel.example:8081", {}, 403},
        HeaderCase{"without its port", "GET", "127.0.0.1:8642", "http://panel.example", {}, 403},
        HeaderCase{"another scheme", "GET", "127.0.0.1:8642", "https://panel.example:8080", {}, 403},
        HeaderCase{"a foreign page", "POST", "127.0.0.1:8642", "https://evil.example", kJson, 403},
        HeaderCase{"an empty Origin", "GET", "127.0.0.1:8642", "", {}, 403},
        HeaderCase{"an allowed preflight", "OPTIONS", "127.0.0.1:8642", "http://panel.example:8080", {}, 204},
        HeaderCase{"a foreign preflight", "OPTIONS", "127.0.0.1:8642", "https://evil.example", {}, 403},
        HeaderCase{"OPTIONS without an origin", "OPTIONS", "127.0.0.1:8642", {}, {}, 405},
        // Content-Type of a POST
        HeaderCase{"with a charset", "POST", "127.0.0.1:8642", {}, "application/json; charset=utf-8", 200},
        HeaderCase{"in capitals", "POST", "127.0.0.1:8642", {}, "Application/JSON", 200},
        HeaderCase{"a no-cors fetch", "POST", "127.0.0.1:8642", {}, "text/plain", 415},
        HeaderCase{"a near miss", "POST", "127.0.0.1:8642", {}, "application/jsonx", 415},
        HeaderCase{"none", "POST", "127.0.0.1:8642", {}, {}, 415},
        // the order: Host, then Origin, then Content-Type
        HeaderCase{"a foreign Host and Origin", "POST", "evil.example", "https://evil.example", "text/plain",
                   421},
        HeaderCase{"a foreign Origin as text", "POST", "127.0.0.1:8642", "https://evil.example", "text/plain",
                   403}));

// What the rules see of a request's head: names in any case; a Host given twice is none, an
// Origin given twice matches nothing.
TEST(BrowserRules, TheRulesSeeTheHeadersOfTheHeadWhateverTheirCase) {
    using Head = std::vector<std::pair<std::string_view, std::string_view>>;
    using Seen =
        std::tuple<std::optional<std::string_view>, std::optional<std::string_view>, std::string_view>;
    const struct {
        Head head;
        Seen seen;
    } cases[] = {
        {{}, {std::nullopt, std::nullopt, ""}},
        {{{"HOST", "a:1"}, {"origin", "http://p"}, {"Content-type", kJson}, {"Accept", "x"}},
         {"a:1", "http://p", kJson}},
        {{{"Host", "a:1"}, {"host", "a:1"}}, {std::nullopt, std::nullopt, ""}},
        {{{"Origin", "http://p"}, {"Origin", "http://p"}, {"Origin", "http://p"}}, {std::nullopt, "", ""}},
        {{{"Content-Type", "text/plain"}, {"Content-Type", kJson}}, {std::nullopt, std::nullopt, kJson}},
    };
    for (const auto& c : cases) {
        const RuleHeaders r = PickRuleHeaders(c.head);
        EXPECT_EQ(Seen(r.host, r.origin, r.contentType), c.seen) << c.head.size();
    }
}

TEST(BrowserRules, ThePreflightSaysWhatThePageMaySend) {
    RecordingTarget target;
    ControlSettings s;
    s.allowedOrigins = {"http://panel.example:8080"};
    ControlService service(s, target);
    HttpRequest preflight = Request("OPTIONS", "/api/layer");
    preflight.origin = "http://panel.example:8080";
    const HttpResponse r = service.Handle(preflight, 0);
    ASSERT_EQ(r.status, 204);
    EXPECT_TRUE(r.body.empty());
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Access-Control-Allow-Methods", "GET, POST"},
        {"Access-Control-Allow-Headers", "Authorization, Content-Type"},
        {"Access-Control-Max-Age", "600"},
        {"Access-Control-Allow-Origin", "http://panel.example:8080"},
        {"Vary", "Origin"}};
    EXPECT_EQ(r.headers, expected);
    preflight.path = "/api/reboot";
    EXPECT_EQ(service.Handle(preflight, 0).status, 404);
    // A list as Config.ini gives it; what is no origin never matches.
    EXPECT_EQ(SplitList(" http://a.example:1, https://b.example\thttp://c/ ,,"),
              (std::vector<std::string>{"http://a.example:1", "https://b.example", "http://c/"}));
    s.allowedOrigins = SplitList("http://a.example:1 http://c/ ftp://d.example http://e.example:0");
    EXPECT_EQ(InvalidOrigins(s),
              (std::vector<std::string>{"http://c/", "ftp://d.example", "http://e.example:0"}));
    EXPECT_FALSE(OriginAllowed(s, "http://c/"));
}

TEST(BrowserRules, TheEventSocketOpensOnlyForItsPathTheTokenAndAllowedOrigins) {
    RecordingTarget target;
    ControlSettings s;
    s.address = "0.0.0.0";
    s.token = "0123456789abcdef-token";
    ControlService service(s, target);
    const auto open = [&](const char* path, const char* queryToken, std::optional<std::string_view> origin,
                          const char* method = "GET") {
        HttpRequest r = Request(method, path);
        r.upgrade = true;
        r.queryToken = queryToken;
        r.origin = origin;
        return service.Handle(r, 0).status;
    };
    EXPECT_EQ(open("/api/events", "0123456789abcdef-token", {}), kStatusUpgrade);
    EXPECT_EQ(open("/api/events", "wrong", {}), 401);
    EXPECT_EQ(open("/api/events", "", {}), 401);
    EXPECT_EQ(open("/api/events", "0123456789abcdef-token", "https://evil.example"), 403);
    EXPECT_EQ(open("/api/other", "0123456789abcdef-token", {}), 404);
    EXPECT_EQ(open("/api/events", "0123456789abcdef-token", {}, "POST"), 405);
    // The query's token is the event socket's alone.
    HttpRequest get = Get("/api/state");
    get.queryToken = "0123456789abcdef-token";
    EXPECT_EQ(service.Handle(get, 0).status, 401);
}

TEST(ConnectionCounter, EachAddressHasItsShareAndEveryReleaseGivesItBack) {
    ConnectionCounter counter(5, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(counter.Admit("10.0.0.1"), ConnectionCounter::Admission::Admitted);
    EXPECT_EQ(counter.Admit("10.0.0.1"), ConnectionCounter::Admission::TooManyForClient);
    EXPECT_EQ(counter.Admit("10.0.0.2"), ConnectionCounter::Admission::Admitted);
    EXPECT_EQ(counter.Admit("10.0.0.3"), ConnectionCounter::Admission::Admitted);
    EXPECT_EQ(counter.Admit("10.0.0.4"), ConnectionCounter::Admission::TooManyInAll);
    EXPECT_EQ(counter.Open(), 5);
    counter.Release("10.0.0.1");
    counter.Release("10.0.0.9"); // never admitted: nothing changes
    EXPECT_EQ(counter.Open(), 4);
    EXPECT_EQ(counter.OpenFor("10.0.0.1"), 2);
    EXPECT_EQ(counter.Admit("10.0.0.1"), ConnectionCounter::Admission::Admitted);
    for (const char* c : {"10.0.0.1", "10.0.0.1", "10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.3"})
        counter.Release(c);
    EXPECT_EQ(counter.Open(), 0);
}

TEST(ControlService, TheLogShowsControlCharactersEscaped) {
    RecordingTarget target;
    ControlService service({}, target);
    // A path that would end the log line and clear the terminal, a field name that would too.
    HttpRequest r = Get("/api/x\n2026-01-01 corvane.control: forged\x1b[2J");
    const HttpResponse notFound = service.Handle(r, 0);
    const HttpResponse unknownField =
        service.Handle(Post("/api/input", "{\"input\":2,\"\\u001b]0;x\\u0007\":1}"), 0);
    for (const HttpResponse* a : {&notFound, &unknownField}) {
        for (char c : a->logLine)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << a->logLine;
        EXPECT_NE(a->logLine.find("\\x1b"), std::string::npos) << a->logLine;
    }
    EXPECT_NE(notFound.logLine.find("/api/x\\x0a2026"), std::string::npos) << notFound.logLine;
    EXPECT_EQ(ShellQuoted("/home/o'brien/Ini/Config.ini"), "'/home/o'\\''brien/Ini/Config.ini'");
}

} // namespace

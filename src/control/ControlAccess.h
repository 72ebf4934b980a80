#pragma once

// Who may use the local control interface: its settings (Config.ini, section "Control"), the
// rule that decides whether it may start on an address, the token every request carries when
// one is needed, the headers that tell a browser's request from a show controller's (Host,
// Origin, Content-Type), the per-client rate limit (time passed in) and the count of open
// connections. No Qt.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace corvane::control {

inline constexpr std::uint16_t kDefaultPort = 8642;
inline constexpr const char* kDefaultAddress = "127.0.0.1";
// A token guards an interface on the network only when it is not guessed in a few tries.
inline constexpr std::size_t kMinTokenLength = 16;
inline constexpr std::uint32_t kDefaultRatePerSecond = 100;
// Open connections at once, in all and from one client address.
inline constexpr int kMaxConnections = 64;
inline constexpr std::uint32_t kDefaultConnectionsPerClient = 8;

struct ControlSettings {
    bool enabled = false;                  // off unless switched on
    std::string address = kDefaultAddress; // the address listened on
    std::uint16_t port = kDefaultPort;
    std::string token;                                   // empty: no token (loopback only)
    std::uint32_t ratePerSecond = kDefaultRatePerSecond; // requests a second per client
    // Origins whose pages may use the interface ("http://panel.local:8080"), as listed in
    // AllowedOrigins=; empty: no browser page may.
    std::vector<std::string> allowedOrigins;
    std::uint32_t connectionsPerClient = kDefaultConnectionsPerClient; // open at once per address
    // The UDP port of OSC on `address`; 0: no OSC. OSC has no token: on loopback every sender is
    // heard, on any other address only the senders listed (IP addresses, as OscAllowedSenders=
    // lists them; none by default).
    std::uint16_t oscPort = 0;
    std::vector<std::string> oscAllowedSenders;
};

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackAddress(std::string_view address);

// Whether the interface may start with these settings; `why` says why not.
bool MayStart(const ControlSettings& settings, std::string* why);

// Whether a request must carry the token: always on another address than loopback, and on
// loopback when a token is set.
bool TokenRequired(const ControlSettings& settings);

// The token of an "Authorization: Bearer <token>" header; empty when there is none.
std::string_view BearerToken(std::string_view authorization);

// Compares in a time that does not depend on where the texts differ.
bool TokensEqual(std::string_view expected, std::string_view presented);

// Whether a request with this Authorization header (and, for the event socket, the token of
// its query) may pass.
bool Authorised(const ControlSettings& settings, std::string_view authorization,
                std::string_view queryToken = {});

// ---- the headers a browser sends

// The entries of a list value (AllowedOrigins=, OscAllowedSenders=): separated by commas
// and/or blanks.
std::vector<std::string> SplitList(std::string_view text);

// Whether `text` is an origin as a browser sends it: "http://" or "https://", a host (a name,
// an IPv4 address or an IPv6 address in brackets) and an optional ":port", nothing after.
bool IsOrigin(std::string_view text);

// The entries of the settings' list that are no origin (they never match; the log says so).
std::vector<std::string> InvalidOrigins(const ControlSettings& settings);

// Whether a request's Origin header is one of the allowed origins: compared whole, the scheme
// and the host without regard to case.
bool OriginAllowed(const ControlSettings& settings, std::string_view origin);

// Whether a Host header names this interface: the address the connection arrived on
// (`localAddress`, IPv6 without brackets), or on a loopback address also "127.0.0.1",
// "localhost" or "[::1]"; with `localPort`, the port 80 when the header gives none.
bool HostAllowed(std::string_view host, std::string_view localAddress, std::uint16_t localPort);

// Whether a request opens a WebSocket: "Upgrade: websocket" with "upgrade" among the tokens
// of its Connection header (what Qt's HTTP server hands to its WebSocket server).
bool OpensWebSocket(std::string_view upgrade, std::string_view connection);

// Whether a Content-Type header is JSON's: "application/json", parameters allowed.
bool IsJsonContentType(std::string_view contentType);

// The headers the rules look at, as a request's head lists them.
struct RuleHeaders {
    std::optional<std::string_view> host;   // none when missing or given twice
    std::optional<std::string_view> origin; // none when missing; empty (matching nothing) when twice
    std::string_view contentType;           // empty when none; the last one given
};

// Picks the rules' headers out of a request's head, the names without regard to case.
RuleHeaders PickRuleHeaders(const std::vector<std::pair<std::string_view, std::string_view>>& headers);

// A text as the log may show it: bytes outside printable ASCII (and the backslash) written as
// \xNN, at most `maxBytes` of the text taken.
std::string LogSafe(std::string_view text, std::size_t maxBytes = 128);

// The text quoted for a POSIX shell: '...' with each ' written '\''.
std::string ShellQuoted(std::string_view text);

// ---- the connections

// The open connections in all and per client address; each admitted connection is released
// once when it closes.
class ConnectionCounter {
public:
    enum class Admission {
        Admitted,
        TooManyInAll,     // kMaxConnections (or the given limit) are open
        TooManyForClient, // this address holds its share
    };

    ConnectionCounter(int maxInAll, int maxPerClient);
    Admission Admit(const std::string& client);
    void Release(const std::string& client);
    int Open() const { return m_open; }
    int OpenFor(const std::string& client) const;

private:
    int m_maxInAll;
    int m_maxPerClient;
    int m_open = 0;
    std::unordered_map<std::string, int> m_perClient;
};

// A token bucket per client: `ratePerSecond` requests a second, bursts of twice that. Time is
// passed in (milliseconds of a steady clock). The table of clients is bounded: when it is full,
// clients whose bucket has filled up again are forgotten, and failing that a new client shares
// the bucket of all the others.
class RateLimiter {
public:
    static constexpr std::size_t kMaxClients = 1024;

    explicit RateLimiter(std::uint32_t ratePerSecond);
    // True when the client may make a request now (and counts it).
    bool Allow(const std::string& client, std::int64_t nowMs);
    std::size_t ClientCount() const { return m_buckets.size(); }

private:
    struct Bucket {
        double tokens = 0;
        std::int64_t lastMs = 0;
    };
    void Refill(Bucket& b, std::int64_t nowMs) const;
    void ForgetFull(std::int64_t nowMs);

    double m_rate;  // tokens a millisecond
    double m_burst; // the bucket's size
    std::unordered_map<std::string, Bucket> m_buckets;
    Bucket m_overflow;
};

} // namespace corvane::control

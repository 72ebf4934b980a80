#pragma once

// Who may use the local control interface: its settings (Config.ini, section "Control"), the
// rule that decides whether it may start on an address, the token every request carries when
// one is needed, and the per-client rate limit (time passed in). No Qt.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corvane::control {

inline constexpr std::uint16_t kDefaultPort = 8642;
inline constexpr const char* kDefaultAddress = "127.0.0.1";
// A token guards an interface on the network only when it is not guessed in a few tries.
inline constexpr std::size_t kMinTokenLength = 16;
inline constexpr std::uint32_t kDefaultRatePerSecond = 100;

struct ControlSettings {
    bool enabled = false;                  // off unless switched on
    std::string address = kDefaultAddress; // the address listened on
    std::uint16_t port = kDefaultPort;
    std::string token;                                   // empty: no token (loopback only)
    std::uint32_t ratePerSecond = kDefaultRatePerSecond; // requests a second per client
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

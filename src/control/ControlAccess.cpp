#include "control/ControlAccess.h"

#include <algorithm>

namespace corvane::control {

bool IsLoopbackAddress(std::string_view address) {
    if (address == "localhost" || address == "::1" || address == "0:0:0:0:0:0:0:1")
        return true;
    // 127.a.b.c: four decimal parts, the first 127.
    if (address.substr(0, 4) != "127.")
        return false;
    int parts = 2, digits = 0, value = 0; // "127" and the part being read
    for (char c : address.substr(4)) {
        if (c == '.') {
            if (digits == 0)
                return false;
            ++parts;
            digits = value = 0;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (++digits > 3 || value > 255)
                return false;
        } else {
            return false;
        }
    }
    return parts == 4 && digits > 0;
}

bool MayStart(const ControlSettings& s, std::string* why) {
    const auto fail = [&](std::string text) {
        if (why)
            *why = std::move(text);
        return false;
    };
    if (s.address.empty())
        return fail("no address to listen on");
    if (s.port == 0)
        return fail("no port to listen on");
    if (!IsLoopbackAddress(s.address) && s.token.size() < kMinTokenLength)
        return fail("listening on " + s.address + " needs a token of at least " +
                    std::to_string(kMinTokenLength) + " characters (Token= in the Control section)");
    return true;
}

bool TokenRequired(const ControlSettings& s) {
    return !IsLoopbackAddress(s.address) || !s.token.empty();
}

std::string_view BearerToken(std::string_view authorization) {
    constexpr std::string_view kScheme = "Bearer ";
    if (authorization.size() <= kScheme.size())
        return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char a = authorization[i], b = kScheme[i];
        if ((a | 0x20) != (b | 0x20))
            return {};
    }
    std::string_view token = authorization.substr(kScheme.size());
    while (!token.empty() && (token.front() == ' ' || token.front() == '\t'))
        token.remove_prefix(1);
    while (!token.empty() && (token.back() == ' ' || token.back() == '\t'))
        token.remove_suffix(1);
    return token;
}

bool TokensEqual(std::string_view expected, std::string_view presented) {
    unsigned diff = expected.size() == presented.size() ? 0u : 1u;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const char p = i < presented.size() ? presented[i] : '\0';
        diff |=
            static_cast<unsigned>(static_cast<unsigned char>(expected[i]) ^ static_cast<unsigned char>(p));
    }
    return diff == 0;
}

bool Authorised(const ControlSettings& s, std::string_view authorization, std::string_view queryToken) {
    if (!TokenRequired(s))
        return true;
    if (s.token.empty())
        return false; // never: the interface does not start so
    const std::string_view presented = !authorization.empty() ? BearerToken(authorization) : queryToken;
    return !presented.empty() && TokensEqual(s.token, presented);
}

// ---- rate limit

RateLimiter::RateLimiter(std::uint32_t ratePerSecond)
    : m_rate(std::max<std::uint32_t>(ratePerSecond, 1) / 1000.0),
      m_burst(2.0 * std::max<std::uint32_t>(ratePerSecond, 1)) {
    m_overflow.tokens = m_burst;
}

void RateLimiter::Refill(Bucket& b, std::int64_t nowMs) const {
    if (nowMs > b.lastMs) {
        b.tokens = std::min(m_burst, b.tokens + static_cast<double>(nowMs - b.lastMs) * m_rate);
        b.lastMs = nowMs;
    } else if (nowMs < b.lastMs) {
        b.lastMs = nowMs; // a clock that went back: no tokens from it
    }
}

void RateLimiter::ForgetFull(std::int64_t nowMs) {
    for (auto it = m_buckets.begin(); it != m_buckets.end();) {
        Refill(it->second, nowMs);
        it = it->second.tokens >= m_burst ? m_buckets.erase(it) : std::next(it);
    }
}

bool RateLimiter::Allow(const std::string& client, std::int64_t nowMs) {
    auto it = m_buckets.find(client);
    if (it == m_buckets.end()) {
        if (m_buckets.size() >= kMaxClients)
            ForgetFull(nowMs);
        if (m_buckets.size() >= kMaxClients) {
            Refill(m_overflow, nowMs);
            if (m_overflow.tokens < 1.0)
                return false;
            m_overflow.tokens -= 1.0;
            return true;
        }
        it = m_buckets.emplace(client, Bucket{m_burst, nowMs}).first;
    }
    Bucket& b = it->second;
    Refill(b, nowMs);
    if (b.tokens < 1.0)
        return false;
    b.tokens -= 1.0;
    return true;
}

} // namespace corvane::control

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

// ---- the headers a browser sends

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A port of 1..5 digits; false for anything else.
bool ReadPort(std::string_view text, std::uint32_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    port = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
        port = port * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return port <= 65535;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> entries;
    std::string entry;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!entry.empty())
                entries.push_back(std::move(entry));
            entry.clear();
        } else {
            entry += c;
        }
    }
    if (!entry.empty())
        entries.push_back(std::move(entry));
    return entries;
}

namespace {

// "host[:port]" or "[v6 address][:port]": the host (brackets kept) and the port's text, empty
// when there is none. False for a bracket left open, text after the brackets that is not a port,
// or a colon with no port after it.
bool SplitHostPort(std::string_view text, std::string_view& host, std::string_view& port) {
    port = {};
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        host = text.substr(0, close + 1);
        text.remove_prefix(close + 1);
        if (text.empty())
            return true;
        if (text.front() != ':')
            return false;
        port = text.substr(1);
        return !port.empty();
    }
    const std::size_t colon = text.find(':');
    host = text.substr(0, colon);
    if (colon == std::string_view::npos)
        return true;
    port = text.substr(colon + 1);
    return !port.empty();
}

} // namespace

bool IsOrigin(std::string_view text) {
    std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos)
        return false;
    const std::string_view scheme = text.substr(0, schemeEnd);
    if (!EqualNoCase(scheme, "http") && !EqualNoCase(scheme, "https"))
        return false;
    std::string_view host, port;
    if (!SplitHostPort(text.substr(schemeEnd + 3), host, port) || host.empty())
        return false;
    if (host.front() == '[') {
        if (host.size() < 4)
            return false;
        for (char c : host.substr(1, host.size() - 2))
            if (!IsDigit(c) && !(Lower(c) >= 'a' && Lower(c) <= 'f') && c != ':' && c != '.')
                return false;
    } else {
        for (char c : host) {
            const char l = Lower(c);
            if (!IsDigit(c) && !(l >= 'a' && l <= 'z') && c != '.' && c != '-' && c != '_')
                return false;
        }
    }
    std::uint32_t number = 0;
    return port.empty() || (ReadPort(port, number) && number > 0);
}

std::vector<std::string> InvalidOrigins(const ControlSettings& settings) {
    std::vector<std::string> invalid;
    for (const std::string& o : settings.allowedOrigins)
        if (!IsOrigin(o))
            invalid.push_back(o);
    return invalid;
}

bool OriginAllowed(const ControlSettings& settings, std::string_view origin) {
    // The port is digits: comparing the whole text without regard to case compares the scheme
    // and the host so, and the port exactly.
    for (const std::string& allowed : settings.allowedOrigins)
        if (IsOrigin(allowed) && EqualNoCase(allowed, origin))
            return true;
    return false;
}

bool HostAllowed(std::string_view host, std::string_view localAddress, std::uint16_t localPort) {
    std::string_view name, portText;
    if (!SplitHostPort(host, name, portText))
        return false;
    const bool bracketed = !name.empty() && name.front() == '[';
    if (bracketed)
        name = name.substr(1, name.size() - 2);
    std::uint32_t port = 80;
    if (!portText.empty() && !ReadPort(portText, port))
        return false;
    if (port != localPort || name.empty())
        return false;
    const bool ipv6 = name.find(':') != std::string_view::npos;
    if (ipv6 != bracketed)
        return false; // an IPv6 address is written in brackets, nothing else is
    if (EqualNoCase(name, localAddress))
        return true;
    if (!IsLoopbackAddress(localAddress))
        return false;
    return EqualNoCase(name, "127.0.0.1") || EqualNoCase(name, "localhost") || name == "::1";
}

bool OpensWebSocket(std::string_view upgrade, std::string_view connection) {
    if (!EqualNoCase(TrimBlanks(upgrade), "websocket"))
        return false;
    while (!connection.empty()) {
        const std::size_t comma = connection.find(',');
        if (EqualNoCase(TrimBlanks(connection.substr(0, comma)), "upgrade"))
            return true;
        if (comma == std::string_view::npos)
            break;
        connection.remove_prefix(comma + 1);
    }
    return false;
}

bool IsJsonContentType(std::string_view contentType) {
    std::string_view media = contentType.substr(0, contentType.find(';'));
    return EqualNoCase(TrimBlanks(media), "application/json");
}

RuleHeaders PickRuleHeaders(const std::vector<std::pair<std::string_view, std::string_view>>& headers) {
    RuleHeaders picked;
    int hosts = 0;
    for (const auto& [name, value] : headers) {
        if (EqualNoCase(name, "host")) {
            picked.host = value;
            ++hosts;
        } else if (EqualNoCase(name, "origin")) {
            // A second Origin: which one the browser meant is unknown, so none of them counts.
            picked.origin = picked.origin ? std::string_view() : value;
        } else if (EqualNoCase(name, "content-type")) {
            picked.contentType = value;
        }
    }
    if (hosts != 1)
        picked.host.reset();
    return picked;
}

std::string LogSafe(std::string_view text, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    const bool cut = text.size() > maxBytes;
    for (char c : text.substr(0, maxBytes)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    if (cut)
        out += "...";
    return out;
}

std::string ShellQuoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// ---- the connections

ConnectionCounter::ConnectionCounter(int maxInAll, int maxPerClient)
    : m_maxInAll(maxInAll), m_maxPerClient(std::max(maxPerClient, 1)) {}

ConnectionCounter::Admission ConnectionCounter::Admit(const std::string& client) {
    if (m_open >= m_maxInAll)
        return Admission::TooManyInAll;
    int& mine = m_perClient[client];
    if (mine >= m_maxPerClient)
        return Admission::TooManyForClient;
    ++mine;
    ++m_open;
    return Admission::Admitted;
}

void ConnectionCounter::Release(const std::string& client) {
    const auto it = m_perClient.find(client);
    if (it == m_perClient.end() || it->second == 0)
        return; // never admitted: nothing to give back
    --m_open;
    if (--it->second == 0)
        m_perClient.erase(it);
}

int ConnectionCounter::OpenFor(const std::string& client) const {
    const auto it = m_perClient.find(client);
    return it == m_perClient.end() ? 0 : it->second;
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

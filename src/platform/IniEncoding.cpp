// The encodings of initialisation files: recognising one by its byte-order mark, converting
// UTF-16 to and from the WTF-8 lines, and making texts valid UTF-8 for the callers.

#include "platform/IniEncoding.h"

namespace corvane {

namespace ini {

namespace {

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t u) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * u]);
        const auto b = static_cast<unsigned char>(bytes[2 * u + 1]);
        return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
    };
    for (std::size_t u = 0; u < units; ++u) {
        char32_t cp = unitAt(u);
        if (cp >= 0xD800 && cp <= 0xDBFF && u + 1 < units) {
            const char32_t low = unitAt(u + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++u;
            }
        }
        AppendUtf8(out, cp); // an unpaired surrogate is kept as its three-byte form
    }
    return out;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp, bool allowSurrogates) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int length;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (s.size() - i < static_cast<std::size_t>(length)) {
        ++i;
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // A well-formed sequence with a value that is not allowed (too long a form, a surrogate,
    // beyond U+10FFFF) is consumed whole: it stands for one character.
    i += static_cast<std::size_t>(length);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp >= min && cp <= 0x10FFFF && (!surrogate || allowSurrogates);
}

void AppendUtf16Unit(std::string& out, char32_t unit, bool bigEndian) {
    const auto hi = static_cast<char>((unit >> 8) & 0xFF);
    const auto lo = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out += hi;
        out += lo;
    } else {
        out += lo;
        out += hi;
    }
}

void AppendUtf16(std::string& out, std::string_view wtf8, bool bigEndian) {
    std::size_t i = 0;
    while (i < wtf8.size()) {
        char32_t cp;
        if (!DecodeUtf8(wtf8, i, cp, true))
            cp = kReplacement;
        if (cp >= 0x10000) {
            AppendUtf16Unit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            AppendUtf16Unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            AppendUtf16Unit(out, cp, bigEndian);
        }
    }
}

Decoded Decode(std::string_view bytes) {
    Decoded d;
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE)
        d.encoding = IniEncoding::Utf16Le;
    else if (bytes.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF)
        d.encoding = IniEncoding::Utf16Be;
    else if (bytes.substr(0, 3) == kUtf8Bom)
        d.encoding = IniEncoding::Utf8Bom;

    switch (d.encoding) {
    case IniEncoding::Utf8:
        d.text = bytes;
        break;
    case IniEncoding::Utf8Bom:
        d.text = bytes.substr(kUtf8Bom.size());
        break;
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
        std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0) {
            d.oddTail = body.substr(body.size() - 1);
            body.remove_suffix(1);
        }
        d.storage = DecodeUtf16(body, d.encoding == IniEncoding::Utf16Be);
        d.text = d.storage;
        break;
    }
    }
    return d;
}

} // namespace ini

using namespace ini;

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        char32_t cp;
        if (DecodeUtf8(bytes, i, cp, false))
            out.append(bytes.substr(start, i - start));
        else
            AppendUtf8(out, kReplacement);
    }
    return out;
}

std::string TruncateToChars(std::string_view utf8, std::size_t maxChars) {
    std::string valid = SanitizeUtf8(utf8);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if ((static_cast<unsigned char>(valid[i]) & 0xC0) == 0x80)
            continue; // continuation byte
        if (chars == maxChars) {
            valid.resize(i);
            break;
        }
        ++chars;
    }
    return valid;
}

} // namespace corvane

#include "platform/CodePage936.h"

#include <windows.h>

namespace corvane {

namespace {

constexpr UINT kCodePage = 936;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// The UTF-8 of one wide character (or a surrogate pair) of a conversion.
bool AppendWide(const wchar_t* wide, int count, std::string& out) {
    char buffer[8];
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, count, buffer, sizeof buffer, nullptr, nullptr);
    if (n <= 0)
        return false;
    out.append(buffer, static_cast<std::size_t>(n));
    return true;
}

// Decodes `count` bytes as exactly one character of the code page.
bool DecodeOne(const std::uint8_t* bytes, int count, std::string& out) {
    wchar_t wide[2];
    const int n = ::MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                        count, wide, 2);
    return n == 1 && AppendWide(wide, 1, out);
}

} // namespace

std::optional<std::string> ToCodePage936(std::string_view text) {
    if (!CountCharacters(text))
        return std::nullopt;
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int wideCount = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (wideCount <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(wideCount), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wideCount);
    // Nothing is replaced: a character the code page lacks makes the whole text fail.
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideCount, nullptr, 0,
                                        nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideCount, out.data(), n, nullptr,
                          &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}

std::string FromCodePage936(const std::uint8_t* bytes, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length;) {
        if (bytes[i] < 0x80) {
            out += static_cast<char>(bytes[i]);
            ++i;
            continue;
        }
        // A two-byte character, else a one-byte one (0x80 is the euro sign); a byte that
        // starts no character, and a lead byte without its second byte, show as U+FFFD and
        // decoding goes on after it.
        if (i + 1 < length && DecodeOne(bytes + i, 2, out)) {
            i += 2;
            continue;
        }
        if (!DecodeOne(bytes + i, 1, out))
            out += kReplacement;
        ++i;
    }
    return out;
}

} // namespace corvane

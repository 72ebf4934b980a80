#pragma once

// The encodings of initialisation files, for the parts of the ini code (IniFile.h is what the
// rest of the program uses): UTF-8 with or without a byte-order mark, UTF-16 either way round
// with one. The lines of a UTF-16 file are held as WTF-8, so that an unpaired surrogate
// survives a rewrite.

#include "platform/IniFile.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::ini {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp);

// Decodes one sequence at `i`. With `allowSurrogates` the three-byte forms of U+D800..U+DFFF
// are accepted (WTF-8, used for the lines of UTF-16 files). Returns false for a malformed
// sequence.
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp, bool allowSurrogates);

void AppendUtf16Unit(std::string& out, char32_t unit, bool bigEndian);
void AppendUtf16(std::string& out, std::string_view wtf8, bool bigEndian);

// The text of a file without its byte-order mark, as UTF-8 (WTF-8 for UTF-16 files).
struct Decoded {
    IniEncoding encoding = IniEncoding::Utf8;
    std::string storage; // the converted text of a UTF-16 file
    std::string_view text;
    std::string_view oddTail;
};

Decoded Decode(std::string_view bytes);

} // namespace corvane::ini

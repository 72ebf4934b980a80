#pragma once

// Text in the Chinese (simplified) multibyte code page 936 (GBK), as the processor keeps its
// WiFi name and password: one byte for ASCII, two bytes for a Chinese character. The
// conversions use the C library's converter (iconv), never a table of our own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The code page 936 bytes of UTF-8 `text`; none when the text is not valid UTF-8 or holds a
// character the code page cannot represent (nothing is replaced by "?").
std::optional<std::string> ToCodePage936(std::string_view text);

// UTF-8 text of `length` code page 936 bytes. A byte that starts no character of the code
// page, and a lead byte whose second byte is missing (a text cut in the middle of a
// character), shows as U+FFFD; the rest of the text is still decoded.
std::string FromCodePage936(const std::uint8_t* bytes, std::size_t length);

// Characters (Unicode code points) of UTF-8 `text`; none when it is not valid UTF-8.
std::optional<std::size_t> CountCharacters(std::string_view text);

} // namespace corvane

#pragma once

// Conversions between the program's UTF-8 texts and the wide texts of the Windows API, and
// the text of a system error, for the Windows implementations of this layer.

#include <cstdint>
#include <string>

namespace corvane::win32 {

// Invalid UTF-8 becomes U+FFFD.
std::wstring Widen(const std::string& utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(const std::wstring& wide);
std::string Narrow(const wchar_t* wide, std::size_t length);

// A path for the wide file functions: forward slashes become backslashes.
std::wstring WidePath(const std::string& utf8);

// The system's sentence for a GetLastError value, without the line end.
std::string SystemErrorText(std::uint32_t error);

} // namespace corvane::win32

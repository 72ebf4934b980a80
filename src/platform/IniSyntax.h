#pragma once

// The line syntax of initialisation files, for the parts of the ini code (IniFile.h is what
// the rest of the program uses): names compared without regard to ASCII case, blanks trimmed,
// section lines, key lines and the quotes around a value.

#include "platform/IniFile.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::ini {

inline constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c);
std::string_view Trim(std::string_view s);
std::string LowerAscii(std::string_view s);
bool SameName(std::string_view a, std::string_view b);

// A text handed in by a caller, as the system functions see a C string: up to its first NUL.
std::string_view UpToNul(std::string_view s);

enum class LineKind { Blank, Section, Key, Other };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section or key name, trimmed
    std::string_view value;     // trimmed value of a key line
    std::size_t valueStart = 0; // offset of a key line's value (after "=" and blanks)
};

LineInfo Classify(std::string_view text);
std::string_view Unquote(std::string_view v);
bool HasLineBreak(std::string_view s);

// Steps through the lines of `text`: a line ends at CR LF, LF or a lone CR.
bool NextLine(std::string_view text, std::size_t& pos, std::string_view& line, std::string_view& eol);

// Reads a whole initialisation file (at most kMaxIniFileBytes).
IniLoad ReadFileBytes(const std::string& path, std::string& bytes);

} // namespace corvane::ini

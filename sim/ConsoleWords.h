#pragma once

// The words of a control-channel command line.

#include <string>
#include <vector>

namespace corvane::sim {

// The line split at white space.
std::vector<std::string> Words(const std::string& line);
// "on", "1" or "yes".
bool IsOn(const std::string& word);
// Word `i`, or an empty string when the line has fewer words.
std::string WordAt(const std::vector<std::string>& words, std::size_t i);
// Word `i` as a number (decimal, 0x hexadecimal or 0 octal), or `fallback` when the line has
// fewer words.
long NumberAt(const std::vector<std::string>& words, std::size_t i, long fallback);

} // namespace corvane::sim

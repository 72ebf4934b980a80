#include "ConsoleWords.h"

#include <cstdlib>
#include <sstream>

namespace corvane::sim {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool IsOn(const std::string& w) {
    return w == "on" || w == "1" || w == "yes";
}

std::string WordAt(const std::vector<std::string>& words, std::size_t i) {
    return i < words.size() ? words[i] : std::string();
}

long NumberAt(const std::vector<std::string>& words, std::size_t i, long fallback) {
    if (i >= words.size())
        return fallback;
    return std::strtol(words[i].c_str(), nullptr, 0);
}

} // namespace corvane::sim

#include "platform/CodePage936.h"

// Characters of a UTF-8 text, the same on every system.

namespace corvane {

std::optional<std::size_t> CountCharacters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80           ? 1
                              : (c >> 5) == 0x6  ? 2
                              : (c >> 4) == 0xE  ? 3
                              : (c >> 3) == 0x1E ? 4
                                                 : 0;
        if (n == 0 || i + n > text.size())
            return std::nullopt;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return std::nullopt;
        i += n;
        ++count;
    }
    return count;
}

} // namespace corvane

#pragma once

// What other windows may ask of the presets page besides its messages. Found with
// PageContext::CallsOf<PresetsPageCalls>(Window::PresetsPage).

#include <cstdint>
#include <vector>

namespace corvane {

class PresetsPageCalls {
public:
    virtual ~PresetsPageCalls() = default;
    // Sends a preset file as loading a slot does (the wait shown until the processor answers);
    // false when it could not leave (no synchronised link, not a preset file's size).
    virtual bool SendPresetFile(const std::vector<std::uint8_t>& bytes) = 0;
};

} // namespace corvane

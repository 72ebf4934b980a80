#pragma once

// The recall of one of the processor's own presets, as the presets page and the quick-set
// window ask for it.

#include <cstdint>

namespace corvane {

class PageContext;

// Sends the recall of preset `slot` while the link is synchronised and has the state read
// back after the processor's acknowledgement; -1 (nothing sent) when the link is not
// synchronised, else 0.
std::intptr_t RecallProcessorPreset(PageContext& context, std::intptr_t slot);

} // namespace corvane

#pragma once

// What other windows may ask of the output page besides its messages. Found with
// PageContext::CallsOf<OutputPageCalls>(Window::OutputPage).

namespace corvane {

class OutputPageCalls {
public:
    virtual ~OutputPageCalls() = default;
    // Applies the resolution the state holds for `output` (an undone or redone step), as Apply
    // does for that output: the page shows the output, the wait is shown until the processor
    // answers. False when nothing could be sent.
    virtual bool ApplyStateResolution(int output) = 0;
};

} // namespace corvane

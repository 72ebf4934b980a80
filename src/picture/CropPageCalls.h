#pragma once

// What the main window asks of the crop page besides its messages. Found with
// PageContext::CallsOf<CropPageCalls>(Window::CropPage).

namespace corvane {

class CropPageCalls {
public:
    virtual ~CropPageCalls() = default;
    // The current input changes from `previousInput` to another: with a synchronised
    // processor, a crop of `previousInput` that is on is switched off and the processor told
    // (whatever the input's signal). Called before the new input is selected.
    virtual void CropOff(int previousInput) = 0;
};

} // namespace corvane

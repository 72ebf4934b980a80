#pragma once

// What other pages may ask of the layout page besides its messages. Found with
// PageContext::CallsOf<LayoutPageCalls>(Window::LayoutPage).

namespace corvane {

class LayoutPageCalls {
public:
    virtual ~LayoutPageCalls() = default;
    // Scrolls the layer's cell into view and makes it the canvas's current, only selected
    // layer cell.
    virtual void SelectLayerCell(int layer) = 0;
    // The same for an output's cell.
    virtual void SelectOutputCell(int output) = 0;
};

} // namespace corvane

#pragma once

// What the layer page needs of the windows around it: the layout page (its window for the
// messages, and the canvas selection) and the main window's layer switches. The main window
// implements it; the layer page's tests use a fake.

namespace corvane {

class MessageWindow;

class LayerPageHost {
public:
    virtual ~LayerPageHost() = default;

    // The layout page's window: WM_DEVICE_REPLY (0xA8, layer) moves the layer's cell to the
    // stored window, WM_LAYOUT_COMMAND (0, layer) commits it to the processor.
    virtual MessageWindow* LayoutWindow() = 0;
    // The layout page scrolls the layer's cell into view and makes it the canvas's current
    // and only selected layer cell.
    virtual void SelectLayerCell(int layer) = 0;
    // The main window's switch of `layer` takes `on`, with everything the switch does: the
    // layer's `visible`, its cell shown or hidden, the layer command.
    virtual void SetLayerSwitch(int layer, bool on) = 0;
};

} // namespace corvane

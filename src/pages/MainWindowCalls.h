#pragma once

// What the pages may ask of the main window itself: its layer switches, the phase of its
// blinking status lamp and the edge blend page beside it. Found with
// PageContext::CallsOf<MainWindowCalls>(Window::MainWindow).

namespace corvane {

class MainWindowCalls {
public:
    virtual ~MainWindowCalls() = default;
    // The switch of `layer` is pressed.
    virtual bool LayerSwitchOn(int layer) const = 0;
    // The switch of `layer` takes `on`, with everything the switch does: the layer's `visible`,
    // its cell shown or hidden, the layer command.
    virtual void SetLayerSwitch(int layer, bool on) = 0;
    // True while the unconnected lamp of the status area is in its red phase.
    virtual bool LampRedPhase() const = 0;
    // Shows the edge blend page beside the main window, or hides it; returns whether it is shown.
    virtual bool ShowBlendPage(bool show) = 0;
};

} // namespace corvane

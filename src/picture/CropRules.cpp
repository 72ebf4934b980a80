#include "picture/CropRules.h"

#include "picture/CropFrames.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

// One direction of a crop window.
struct Span {
    int start;
    int size;
};

enum class Typed { Nothing, Start, Size };

Span LimitSpan(Span s, int total, Typed typed) {
    s.start = std::clamp(s.start, 0, kCropStartMax);
    s.size = std::clamp(s.size, kCropSizeMin, kCropSizeMax);
    if (total <= 0)
        return s; // the picture's size is not known: the boxes' limits only
    if (total < kCropSizeMin)
        return {0, total}; // not even the smallest window fits: the whole picture
    // A typed size ends at the picture's edge when the start leaves room for the smallest
    // window; otherwise the start gives way to it.
    if (typed == Typed::Size && total - s.start >= kCropSizeMin)
        s.size = std::min(s.size, total - s.start);
    s.size = std::min(s.size, total);
    s.start = std::min(s.start, total - s.size); // never below 0: size <= total
    return s;
}

CropWindow Limit(const CropWindow& w, int hTotal, int vTotal, Typed h, Typed v) {
    const Span x = LimitSpan({w.hStart, w.width}, hTotal, h);
    const Span y = LimitSpan({w.vStart, w.height}, vTotal, v);
    return {x.start, y.start, x.size, y.size};
}

bool IsInput(int input) {
    return input >= 0 && input < kInputCount;
}

CropRect& RectOf(DeviceState& state, int input) {
    return state.crop.rects[static_cast<std::size_t>(input)];
}

// The record's window fitted into its picture before it is sent.
void FitRecord(CropRect& rect) {
    StoreWindow(rect, FitCropWindow(WindowOf(rect), rect.hTotal, rect.vTotal));
}

// An edge of the window in the preview: edge / (total / boxLength), computed as
// edge * boxLength / total so that a half pixel is exactly a half; a total of 0 counts as a
// scale of 1. Rounded to the nearest pixel and kept inside the box.
int PreviewEdge(int edge, int total, int boxLength) {
    const double scaled = total > 0 ? static_cast<double>(edge) * boxLength / total : edge;
    return static_cast<int>(std::clamp(std::lround(scaled), 0L, static_cast<long>(boxLength)));
}

} // namespace

CropWindow WindowOf(const CropRect& rect) {
    return {rect.hStart, rect.vStart, rect.hSize, rect.vSize};
}

void StoreWindow(CropRect& rect, const CropWindow& window) {
    auto field = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF)); };
    rect.hStart = field(window.hStart);
    rect.vStart = field(window.vStart);
    rect.hSize = field(window.width);
    rect.vSize = field(window.height);
}

CropWindow LimitCropWindow(CropField field, const CropWindow& boxes, int hTotal, int vTotal) {
    const Typed h = field == CropField::HStart  ? Typed::Start
                    : field == CropField::Width ? Typed::Size
                                                : Typed::Nothing;
    const Typed v = field == CropField::VStart   ? Typed::Start
                    : field == CropField::Height ? Typed::Size
                                                 : Typed::Nothing;
    return Limit(boxes, hTotal, vTotal, h, v);
}

CropWindow FitCropWindow(const CropWindow& window, int hTotal, int vTotal) {
    return Limit(window, hTotal, vTotal, Typed::Nothing, Typed::Nothing);
}

bool CropCommandAllowed(const DeviceState& state, int input) {
    return state.linkState == kLinkSynchronised && IsInput(input) &&
           state.inputs[static_cast<std::size_t>(input)].signal != 0;
}

int FirstZoomedLayer(const DeviceState& state) {
    for (int j = 0; j < kLayerCount; ++j)
        if (state.layers[static_cast<std::size_t>(j)].zoomOn != 0)
            return j;
    return -1;
}

CropControls CropEnabling(const DeviceState& state, int pageInput, bool on) {
    CropControls c;
    if (!IsInput(pageInput) || static_cast<std::uint32_t>(pageInput) != state.currentInput)
        return c;
    c.setsSwitch = true;
    if (state.inputs[static_cast<std::size_t>(pageInput)].signal != 0) {
        c.switchEnabled = true;
        c.switchShows = on;
        c.editEnabled = on;
    }
    return c;
}

bool ResetCropToSignal(DeviceState& state, int input) {
    if (!IsInput(input))
        return false;
    const InputInfo& in = state.inputs[static_cast<std::size_t>(input)];
    if (in.signal == 0 || in.width == 0 || in.height == 0)
        return false;
    CropRect& r = RectOf(state, input);
    r.hTotal = in.width;
    r.vTotal = in.height;
    StoreWindow(r, FitCropWindow({0, 0, in.width, in.height}, in.width, in.height));
    return true;
}

std::optional<Frame> CropOffFrame(DeviceState& state, int previous) {
    if (state.linkState != kLinkSynchronised || !IsInput(previous))
        return std::nullopt;
    CropRect& r = RectOf(state, previous);
    if (r.on == 0)
        return std::nullopt;
    r.on = 0;
    FitRecord(r);
    return BuildCropFrame(state, previous, kCropSet);
}

std::optional<Frame> CropCommand(DeviceState& state, int input, std::uint8_t argument) {
    if (!CropCommandAllowed(state, input))
        return std::nullopt;
    FitRecord(RectOf(state, input));
    return BuildCropFrame(state, input, argument);
}

CropOutline CropPreviewOutline(const CropWindow& w, int hTotal, int vTotal) {
    return {PreviewEdge(w.hStart, hTotal, kCropPreviewWidth),
            PreviewEdge(w.vStart, vTotal, kCropPreviewHeight),
            PreviewEdge(w.hStart + w.width, hTotal, kCropPreviewWidth),
            PreviewEdge(w.vStart + w.height, vTotal, kCropPreviewHeight)};
}

} // namespace corvane

#include "layout/OutputRules.h"

#include "layout/OutputFrames.h"

#include <algorithm>

namespace corvane {

namespace {

bool OverPixelLimit(int h, int v) {
    return static_cast<long long>(h) * static_cast<long long>(v) > kMaxActivePixels;
}

// A window position that keeps position + size inside the active picture; never below 0
// (a window as wide as the picture starts at 0).
int FitPosition(int pos, int size, int limit) {
    if (pos + size > limit)
        pos = std::max(0, limit - size);
    return pos;
}

// A size that keeps position + size inside the limit, but never below the box's minimum.
int FitSize(int pos, int size, int limit, int minimum) {
    if (pos + size > limit)
        size = std::max(minimum, limit - pos);
    return size;
}

} // namespace

int CheckHActive(int h, int v) {
    if (h % 2 != 0)
        h -= 1;
    if (v > 0 && OverPixelLimit(h, v))
        h = kMaxActivePixels / v;
    return h;
}

int CheckVActive(int v, int h) {
    if (h > 0 && OverPixelLimit(h, v))
        v = kMaxActivePixels / h;
    return v;
}

BoxChange CheckBox(int boxId, int typed, const OutputBoxValues& values) {
    BoxChange c;
    c.after = values;
    OutputBoxValues& a = c.after;
    switch (boxId) {
    case kBoxHActive:
        c.shown = a.hActive = CheckHActive(std::clamp(typed, kHActiveMin, kHActiveMax),
                                           std::clamp(values.vActive, kVActiveMin, kVActiveMax));
        break;
    case kBoxVActive:
        c.shown = a.vActive = CheckVActive(std::clamp(typed, kVActiveMin, kVActiveMax),
                                           std::clamp(values.hActive, kHActiveMin, kHActiveMax));
        break;
    case kBoxWinX:
        c.shown = FitPosition(std::clamp(typed, 0, kWindowPosMax), values.winW, values.activeWidth);
        c.requestWindow = c.shown != values.winX;
        a.winX = c.shown;
        break;
    case kBoxWinY:
        c.shown = FitPosition(std::clamp(typed, 0, kWindowPosMax), values.winH, values.activeHeight);
        c.requestWindow = c.shown != values.winY;
        a.winY = c.shown;
        break;
    case kBoxWinW:
        c.shown = FitSize(values.winX, std::clamp(typed, kWindowSizeMin, kWindowSizeMax), values.activeWidth,
                          kWindowSizeMin);
        c.requestWindow = c.tellBlend = c.shown != values.winW;
        if (c.requestWindow)
            a.winW = a.width = c.shown;
        break;
    case kBoxWinH:
        c.shown = FitSize(values.winY, std::clamp(typed, kWindowSizeMin, kWindowSizeMax), values.activeHeight,
                          kWindowSizeMin);
        c.requestWindow = c.tellBlend = c.shown != values.winH;
        if (c.requestWindow)
            a.winH = a.height = c.shown;
        break;
    case kBoxMosaicX:
        c.shown = FitPosition(std::clamp(typed, 0, kMosaicLimit), values.width, kMosaicLimit);
        c.requestWindow = c.shown != values.canvasX;
        a.canvasX = c.shown;
        break;
    case kBoxMosaicY:
        c.shown = FitPosition(std::clamp(typed, 0, kMosaicLimit), values.height, kMosaicLimit);
        c.requestWindow = c.shown != values.canvasY;
        a.canvasY = c.shown;
        break;
    case kBoxMosaicW:
        c.shown = FitSize(values.canvasX, std::clamp(typed, kMosaicSizeMin, kMosaicLimit), kMosaicLimit,
                          kMosaicSizeMin);
        c.requestWindow = c.tellBlend = c.shown != values.width;
        a.width = c.shown;
        break;
    case kBoxMosaicH:
        c.shown = FitSize(values.canvasY, std::clamp(typed, kMosaicSizeMin, kMosaicLimit), kMosaicLimit,
                          kMosaicSizeMin);
        c.requestWindow = c.tellBlend = c.shown != values.height;
        a.height = c.shown;
        break;
    default:
        c.shown = typed;
        break;
    }
    return c;
}

ApplyStep CheckApply(const ApplyCheck& check) {
    if (check.linkState != kLinkSynchronised)
        return ApplyStep::NotConnected;
    if (check.pickedRow == check.appliedRow && check.pickedRow != kCustomResolutionRow)
        return ApplyStep::Nothing;
    if (check.pickedRow == kCustomResolutionRow && check.appliedRow == kCustomResolutionRow &&
        check.hActive == check.customWidth && check.vActive == check.customHeight &&
        check.resTag == check.customTag)
        return ApplyStep::RepaintOnly;
    return ApplyStep::Ask;
}

void ResetWindow(OutputPick& pick, OutputInfo& output, int activeWidth, int activeHeight) {
    const auto w = static_cast<std::uint16_t>(std::clamp(activeWidth, 0, 0xFFFF));
    const auto h = static_cast<std::uint16_t>(std::clamp(activeHeight, 0, 0xFFFF));
    pick.winX = 0;
    pick.winY = 0;
    pick.winW = w;
    pick.winH = h;
    output.width = w;
    output.height = h;
}

void TakeChosenPick(OutputPick& pick, const OutputPick& chosen) {
    pick.row = chosen.row;
    if (chosen.row == kCustomResolutionRow) {
        pick.customWidth = chosen.customWidth;
        pick.customHeight = chosen.customHeight;
        pick.customTag = chosen.customTag;
    }
}

void TakeReportedResolution(OutputPick& pick, const OutputInfo& output) {
    if (output.resIndex >= kResolutionCount)
        return; // a row outside the list is no pick
    pick.row = static_cast<int>(output.resIndex);
    if (pick.row == kCustomResolutionRow) {
        pick.customWidth = output.hActive;
        pick.customHeight = output.vActive;
        pick.customTag = output.resTag;
    }
}

std::array<ActiveSize, kOutputCount> ActiveSizes(const DeviceState& state, const OutputPicks& picks) {
    std::array<ActiveSize, kOutputCount> sizes{};
    for (int k = 0; k < kOutputCount; ++k) {
        const ActiveTiming t = ActiveTimingOf(state, PickFor(picks, state, k));
        sizes[static_cast<std::size_t>(k)] = {t.width, t.height};
    }
    return sizes;
}

std::optional<Arrangement> Arrange(int pattern, const std::array<ActiveSize, kOutputCount>& sizes) {
    if (pattern < kArrangeGrid || pattern > kArrangeColumn)
        return std::nullopt;
    Arrangement a;
    for (std::size_t k = 0; k < kOutputCount; ++k) {
        a.outputs[k].w = sizes[k].width;
        a.outputs[k].h = sizes[k].height;
    }
    auto& o = a.outputs;
    switch (pattern) {
    case kArrangeGrid:
        o[1].x = o[0].w;
        o[2].y = o[0].h;
        o[3].x = o[2].w;
        o[3].y = o[0].h;
        break;
    case kArrangeRow:
        for (std::size_t k = 1; k < kOutputCount; ++k)
            o[k].x = o[k - 1].x + o[k - 1].w;
        break;
    default:
        for (std::size_t k = 1; k < kOutputCount; ++k)
            o[k].y = o[k - 1].y + o[k - 1].h;
        break;
    }
    for (const CanvasBox& b : o) {
        a.mosaicWidth = std::max(a.mosaicWidth, b.x + b.w);
        a.mosaicHeight = std::max(a.mosaicHeight, b.y + b.h);
    }

    a.layers[0] = {0, 0, a.mosaicWidth, a.mosaicHeight};
    CanvasBox parked{0, 0, kParkedLayerWidth, kParkedLayerHeight};
    if (pattern == kArrangeColumn) {
        parked.x = a.layers[0].x + a.mosaicWidth + kParkingGap;
        parked.y = kParkingGap;
    } else {
        parked.x = a.layers[0].x;
        parked.y = a.mosaicHeight + kParkingGap;
    }
    for (std::size_t l = 1; l < kLayerCount; ++l) {
        a.layers[l] = parked;
        parked.x += kParkedLayerWidth;
    }
    return a;
}

void ApplyArrangement(DeviceState& state, const Arrangement& arrangement) {
    for (std::size_t k = 0; k < kOutputCount; ++k) {
        const CanvasBox& b = arrangement.outputs[k];
        OutputInfo& out = state.outputs[k];
        out.canvasX = b.x;
        out.canvasY = b.y;
        out.width = static_cast<std::uint16_t>(std::min<std::uint32_t>(b.w, 0xFFFF));
        out.height = static_cast<std::uint16_t>(std::min<std::uint32_t>(b.h, 0xFFFF));
    }
    for (std::size_t l = 0; l < kLayerCount; ++l) {
        const CanvasBox& b = arrangement.layers[l];
        LayerInfo& layer = state.layers[l];
        layer.x = b.x;
        layer.y = b.y;
        layer.w = b.w;
        layer.h = b.h;
    }
    state.layers[0].visible = 1;
}

} // namespace corvane

#pragma once

// Sends the slices of an undone (redone) step again through the pages: each page is told of
// the values as if the processor had reported them, so the canvas and the pages show them,
// and the slice's command leaves through the page that sends it, or built by the builder the
// page and the preset file use.

#include "device/EditRecorder.h"
#include "device/Windows.h"
#include "link/CommandFrame.h"

namespace corvane {

class PageContext;

class EditReplay : public EditReplayTarget {
public:
    explicit EditReplay(PageContext& context) : m_context(context) {}

    bool Resend(EditKind kind, int index) override;
    bool SendPresetFile(const std::vector<std::uint8_t>& bytes) override;
    bool SendStateAsPresetFile() override;

private:
    void Tell(Window window, std::uint32_t code, std::intptr_t index);
    void Send(const Frame& frame);

    PageContext& m_context;
};

} // namespace corvane

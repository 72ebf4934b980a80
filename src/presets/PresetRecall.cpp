#include "presets/PresetRecall.h"

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "pages/PageContext.h"
#include "presets/PresetFile.h"

namespace corvane {

std::intptr_t RecallProcessorPreset(PageContext& context, std::intptr_t slot) {
    if (context.State().linkState != kLinkSynchronised)
        return -1;
    const Frame f = BuildPresetRecallFrame(slot);
    // The processor only acknowledges a recall: the state it now runs is read back then.
    context.Session().FollowUp().CommandSent();
    context.SendToDevice(f.data(), f.size());
    return 0;
}

} // namespace corvane

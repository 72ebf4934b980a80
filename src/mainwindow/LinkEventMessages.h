#pragma once

// What the main window shows for a link event (WM_LINK_EVENT): the title and text of its
// message box, in the language in use. Events that show no box (the frame-rate warning, an
// unknown event or detail) have none.

#include "device/LinkMembers.h"

#include <optional>
#include <string>

namespace corvane {

struct LinkEventMessage {
    // Events of one kind share one box: the event and, where the text depends on it, the detail.
    std::uint32_t kind;
    std::string title;
    std::string text;
};

// `link` gives the system information of kEventSysInfo.
std::optional<LinkEventMessage> MessageForLinkEvent(std::uint32_t event, std::intptr_t detail,
                                                    const LinkMembers& link);

} // namespace corvane

#include "mainwindow/LinkEventMessages.h"

#include "device/ReplyCodes.h"
#include "device/SystemInfo.h"
#include "shell/Language.h"

namespace corvane {

std::optional<LinkEventMessage> MessageForLinkEvent(std::uint32_t event, std::intptr_t detail,
                                                    const LinkMembers& link) {
    struct Shown {
        std::uint32_t event;
        int detail; // -1: any
        int text;
        int title;
    };
    static const Shown table[] = {
        {kEventOutputWindow, 1, kMsgOutputWindowFailed, kMsgOutputSetting},
        {kEventCrop, 1, kMsgInputCropFailed, kMsgImageCrop},
        {kEventPicture, 1, kMsgInputCropFailed, kMsgPictureSetting},
        {kEventEdid, 0, kMsgSetUpSuccess, kMsgEdidSettings},
        {kEventEdid, 1, kMsgSetUpFailure, kMsgEdidSettings},
        {kEventWifi, 0, kMsgSetUpFailure, kMsgWifiConfigure},
        {kEventWifi, 1, kMsgSetUpSuccess, kMsgWifiConfigure},
        {kEventTakenOver, -1, kMsgOtherClientConnected, kMsgTips},
        {kEventOutput, 0, kMsgSetUpSuccess, kMsgOutputSetting},
        {kEventOutput, 1, kMsgSetUpFailure, kMsgOutputSetting},
    };
    if (event == kEventSysInfo)
        return LinkEventMessage{kEventSysInfo, "SysInfo", SystemInformationText(link.sysInfo)};
    if (event == kEventWaitTimedOut)
        return LinkEventMessage{kEventWaitTimedOut, Tr("Tips", "提示"),
                                Tr("Get Data From Desitination Timeout!", "从机器获取数据超时")};
    for (const Shown& s : table)
        if (s.event == event && (s.detail < 0 || s.detail == detail))
            return LinkEventMessage{(s.event << 8) | static_cast<std::uint8_t>(s.detail),
                                    MessageText(s.title), MessageText(s.text)};
    return std::nullopt;
}

} // namespace corvane

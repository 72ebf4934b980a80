#include "upgrade/UpgradeSteps.h"

#include "platform/IoStatus.h"

#include <algorithm>

namespace corvane {

int NextPendingTarget(const TargetFlags& pending) {
    const auto next = std::find_if(pending.begin(), pending.end(), [](std::uint32_t p) { return p != 0; });
    return next == pending.end() ? -1 : static_cast<int>(next - pending.begin());
}

RunEnd EndOfRun(const TargetFlags& selected, const TargetFlags& done, bool waitOver) {
    bool all = true;
    for (std::size_t k = 0; k < selected.size(); ++k)
        all = all && (!selected[k] || done[k]);
    if (all)
        return RunEnd::Finished;
    return waitOver ? RunEnd::Failed : RunEnd::WaitForResults;
}

AnnounceStep AfterAnnounce(std::uint32_t state, std::uint32_t phase) {
    if (state == kUpgradeStateReadBack)
        return AnnounceStep::ReadBack;
    if (TargetOfState(state) < 0)
        return AnnounceStep::BootWaiting;
    return phase == kUpgradePhaseAnnounced ? AnnounceStep::AlreadyAnnounced : AnnounceStep::Announce;
}

bool LinkLossEnds(std::uint32_t state) {
    return !(state == kUpgradeStateIdle || state > TargetAt(kTargetCount - 1).state);
}

bool PortGone(const ExchangeFailure& failure) {
    if (failure.kind == ExchangeFailure::Kind::NotQueued)
        return failure.send == LineSend::NotStarted;
    return failure.kind == ExchangeFailure::Kind::Incomplete &&
           (failure.status == kIoErrorDeviceNotConnected || failure.status == kIoErrorOperationAborted);
}

CloseStep OnClosing(std::uint32_t state, std::uint32_t phase) {
    if (state == kUpgradeStateReadBack)
        return CloseStep::AskReadBack;
    switch (TargetOfState(state)) {
    case 0:
        return CloseStep::AskFpga;
    case 1:
        return CloseStep::AskMcu;
    case 2:
        return CloseStep::AskHdmiRx;
    default:
        break;
    }
    return phase == kUpgradePhaseBootWaiting && state == kUpgradeStateIdle ? CloseStep::LeaveBootLoader
                                                                           : CloseStep::Close;
}

int RefusalOf(BlockVerdict verdict) {
    switch (verdict) {
    case BlockVerdict::BadChecksum:
        return kReadBackBadChecksum;
    case BlockVerdict::OutOfOrder:
        return kReadBackOutOfOrder;
    case BlockVerdict::Accepted:
        break;
    }
    return 0;
}

TextPair RefusalHead(int kind) {
    switch (kind) {
    case kReadBackBadChecksum:
        return {"Checksum is Error !", "校验码错误！"};
    case kReadBackOutOfOrder:
        return {"Frame order is Error！", "帧顺序错误！"};
    case kReadBackNotSaved:
        return {"Save file is Error", "保存文件错误！"};
    default:
        return {"", ""};
    }
}

} // namespace corvane

// The decisions of an upgrade run, a table per rule: the next target, the end of a run, what
// the announce starts, what a lost link or a failed write ends, closing, a refused read-back.

#include "upgrade/UpgradeSteps.h"

#include "platform/IoStatus.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

TEST(UpgradeSteps, TheRunTakesThePendingTargetsInOrderAndEndsByTheirResults) {
    const std::pair<TargetFlags, int> next[] = {
        {{0, 0, 0}, -1}, {{1, 1, 1}, 0}, {{0, 1, 1}, 1}, {{0, 0, 1}, 2}, {{1, 0, 1}, 0}};
    for (const auto& [pending, target] : next)
        EXPECT_EQ(NextPendingTarget(pending), target) << target;
    const std::tuple<TargetFlags, TargetFlags, bool, RunEnd> ends[] = {
        {{1, 1, 0}, {1, 1, 0}, false, RunEnd::Finished},
        {{0, 0, 1}, {1, 1, 1}, false, RunEnd::Finished},
        {{0, 0, 1}, {1, 1, 0}, false, RunEnd::WaitForResults}, // a result of another target counts not
        {{1, 0, 1}, {1, 0, 0}, true, RunEnd::Failed},
        {{1, 1, 1}, {0, 0, 0}, true, RunEnd::Failed},
        {{0, 0, 0}, {0, 0, 0}, true, RunEnd::Finished},
    };
    for (std::size_t k = 0; k < std::size(ends); ++k) {
        const auto& [selected, done, waitOver, end] = ends[k];
        EXPECT_EQ(EndOfRun(selected, done, waitOver), end) << "row " << k;
    }
}

TEST(UpgradeSteps, WhatTheAnnounceALostLinkAndClosingMeanInEachState) {
    struct Row {
        std::uint32_t state, phase;
        AnnounceStep announce;
        bool linkLossEnds;
        CloseStep close;
    };
    const Row rows[] = {
        {0, 0, AnnounceStep::BootWaiting, false, CloseStep::Close},
        {0, 99, AnnounceStep::BootWaiting, false, CloseStep::LeaveBootLoader},
        {1, 6, AnnounceStep::ReadBack, true, CloseStep::AskReadBack},
        {2, 6, AnnounceStep::Announce, true, CloseStep::AskFpga},
        {2, 1, AnnounceStep::AlreadyAnnounced, true, CloseStep::AskFpga},
        {3, 88, AnnounceStep::Announce, true, CloseStep::AskMcu},
        {4, 6, AnnounceStep::Announce, true, CloseStep::AskHdmiRx},
        {4, 99, AnnounceStep::Announce, true, CloseStep::AskHdmiRx},
        {5, 99, AnnounceStep::BootWaiting, false, CloseStep::Close},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "state " << r.state << ", phase " << r.phase);
        EXPECT_EQ(AfterAnnounce(r.state, r.phase), r.announce);
        EXPECT_EQ(LinkLossEnds(r.state), r.linkLossEnds);
        EXPECT_EQ(OnClosing(r.state, r.phase), r.close);
    }
}

TEST(UpgradeSteps, AFailedWriteIsALostPortOnlyWhenThePortWent) {
    using Kind = ExchangeFailure::Kind;
    const std::tuple<Kind, LineSend, std::uint32_t, bool> rows[] = {
        {Kind::NotQueued, LineSend::NotStarted, 0, true},
        {Kind::NotQueued, LineSend::NoBuffer, 0, false},
        {Kind::Incomplete, LineSend::Queued, kIoErrorDeviceNotConnected, true},
        {Kind::Incomplete, LineSend::Queued, kIoErrorOperationAborted, true},
        {Kind::Incomplete, LineSend::Queued, kIoErrorTimeout, false},
        {Kind::NotLeft, LineSend::NotStarted, kIoErrorDeviceNotConnected, false},
    };
    for (const auto& [kind, send, status, gone] : rows)
        EXPECT_EQ(PortGone({.kind = kind, .send = send, .status = status}), gone)
            << static_cast<int>(kind) << " " << static_cast<int>(send) << " " << status;
}

TEST(UpgradeSteps, ARefusedReadBackBlockIsNamedByItsKind) {
    EXPECT_EQ(RefusalOf(BlockVerdict::Accepted), 0);
    EXPECT_EQ(RefusalOf(BlockVerdict::BadChecksum), kReadBackBadChecksum);
    EXPECT_EQ(RefusalOf(BlockVerdict::OutOfOrder), kReadBackOutOfOrder);
    const std::pair<int, std::string> heads[] = {{kReadBackBadChecksum, "Checksum is Error !"},
                                                 {kReadBackOutOfOrder, "Frame order is Error！"},
                                                 {kReadBackNotSaved, "Save file is Error"},
                                                 {1, ""},
                                                 {5, ""}};
    for (const auto& [kind, head] : heads)
        EXPECT_EQ(RefusalHead(kind).english, head) << kind;
}

} // namespace
} // namespace corvane

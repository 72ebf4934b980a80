// Buffer pools and the engine's dispatch of completions to a device's handlers.

#include "PtyPair.h"
#include "link/AsyDevice.h"
#include "link/IoEngine.h"
#include "platform/IoStatus.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

using namespace corvane;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

TEST(IoEngine, TwoWorkersPerProcessorAtMostAHundred) {
    const std::pair<unsigned, unsigned> cases[] = {{0, 2}, {1, 2}, {2, 4}, {4, 8}, {50, 100}, {64, 100}};
    for (const auto& [processors, workers] : cases)
        EXPECT_EQ(IoEngine::WorkerCountFor(processors), workers) << processors;
    EXPECT_EQ(IoEngine::Instance().ThreadCount(),
              IoEngine::WorkerCountFor(std::thread::hardware_concurrency()));
}

TEST(BufferPool, GrowsToAHundredReusesBeforeGrowingAndTakesBackOnlyItsOwn) {
    BufferPool pool;
    BufferPool other;
    for (int i = 0; i < 10; ++i) {
        IoBuffer* b = pool.Take();
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(pool.Release(b));
    }
    EXPECT_EQ(pool.Size(), 1u);
    std::set<IoBuffer*> taken;
    for (std::size_t i = 0; i < kPoolCapacity; ++i)
        taken.insert(pool.Take());
    EXPECT_EQ(taken.size(), kPoolCapacity);
    EXPECT_EQ(taken.count(nullptr), 0u);
    EXPECT_EQ(pool.Take(), nullptr);

    IoBuffer* back = *taken.begin();
    back->operation = kIoOperationWrite;
    back->owner = reinterpret_cast<AsyIODevice*>(&pool);
    back->overlapped.bytes = 5;
    EXPECT_FALSE(pool.Release(nullptr));
    EXPECT_FALSE(pool.Release(other.Take()));
    ASSERT_TRUE(pool.Release(back));
    EXPECT_FALSE(pool.Release(back)); // a second release must not hand it out twice
    IoBuffer* again = pool.Take();
    ASSERT_EQ(again, back);
    // Handed out cleared.
    EXPECT_EQ(std::tie(again->operation, again->owner, again->overlapped.bytes),
              std::make_tuple(kIoOperationNone, nullptr, 0u));
    EXPECT_EQ(pool.Take(), nullptr);
    EXPECT_EQ(pool.InUse(), kPoolCapacity);
}

// A device whose operations the test completes by posting packets to the engine.
class FakeDevice : public AsyIODevice {
public:
    ~FakeDevice() override { WaitIdle(); }

    SerialFile* GetHandle() override { return nullptr; }
    std::uintptr_t GetCompletionKey() override { return 0; }

    void OnReadCompleted(IoInfo* info) override {
        EnterHandler();
        readBytes += info->bytes;
        ++readsCompleted;
        LeaveHandler();
    }
    void OnWriteCompleted(IoInfo*) override { ++writesCompleted; }
    void OnReadEmpty() override {
        EnterHandler();
        ++readsEmpty;
        LeaveHandler();
    }
    void OnWriteFailed(std::uint32_t error, IoInfo*) override {
        lastError = error;
        ++writesFailed;
    }
    void OnReadFailed(std::uint32_t error, IoInfo*) override {
        lastError = error;
        ++readsFailed;
    }
    bool Write(IoBuffer*, std::uint32_t) override { return true; }
    bool Read(IoBuffer* buffer) override {
        // A read must never be started while a read handler still runs.
        if (inHandler.load())
            ++startedDuringHandler;
        lastRead = buffer;
        ++readsStarted;
        return acceptReads.load();
    }

    // Completes the read in flight with `bytes` and `status`.
    void CompleteRead(std::uint32_t bytes, std::uint32_t status) {
        IoBuffer* b = lastRead.load();
        b->overlapped.bytes = bytes;
        b->overlapped.status = status;
        IoEngine::Instance().Port()->Post({bytes, 0, &b->overlapped, status});
    }

    void EnterHandler() {
        inHandler = true;
        std::this_thread::sleep_for(2ms); // give a wrongly early restart the time to show
    }
    void LeaveHandler() { inHandler = false; }

    std::atomic<bool> acceptReads{true};
    std::atomic<bool> inHandler{false};
    std::atomic<int> startedDuringHandler{0};
    std::atomic<IoBuffer*> lastRead{nullptr};
    std::atomic<int> readsStarted{0}, readsCompleted{0}, readsEmpty{0}, readsFailed{0};
    std::atomic<int> writesCompleted{0}, writesFailed{0};
    std::atomic<std::uint32_t> readBytes{0}, lastError{0};
};

// A read with bytes goes to the data handler, an empty one (the read's time-out) skips it;
// either is started again only after its handler returned, in the same buffer. A failed read
// is reported once and not started again.
TEST(IoEngine, ReadIsStartedAgainOnlyAfterItsHandlerReturnedAndNotAfterAFailure) {
    FakeDevice device;
    device.StartReading();
    ASSERT_EQ(device.readsStarted, 1);
    IoBuffer* first = device.lastRead;
    for (int i = 1; i <= 6; ++i) {
        device.CompleteRead(i % 2 ? 10 : 0, kIoSuccess);
        ASSERT_TRUE(WaitUntil([&] { return device.readsStarted == i + 1; }));
    }
    EXPECT_EQ(std::tuple(device.readsCompleted.load(), device.readsEmpty.load(), device.readBytes.load()),
              std::tuple(3, 3, 30u));
    EXPECT_EQ(device.startedDuringHandler, 0);
    EXPECT_EQ(device.lastRead, first);
    EXPECT_EQ(device.ReadBuffersInUse(), 1u);
    device.CompleteRead(0, kIoErrorOperationAborted);
    ASSERT_TRUE(WaitUntil([&] { return device.ReadBuffersInUse() == 0; }));
    EXPECT_EQ(std::tuple(device.readsFailed.load(), device.lastError.load(), device.readsStarted.load()),
              std::tuple(1, kIoErrorOperationAborted, 7));

    // A read that cannot be started gives its buffer back at once.
    FakeDevice refusing;
    refusing.acceptReads = false;
    refusing.StartReading();
    EXPECT_EQ(refusing.readsStarted, 1);
    EXPECT_EQ(refusing.ReadBuffersInUse(), 0u);
}

TEST(IoEngine, WriteCompletionsOfTheirOwnerGiveTheirBuffersBack) {
    FakeDevice device;
    std::vector<IoBuffer*> writes;
    for (int i = 0; i < 20; ++i) {
        IoBuffer* b = device.AcquireWriteBuffer();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->operation, kIoOperationWrite);
        b->owner = &device;
        writes.push_back(b);
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const std::uint32_t status = i % 4 == 3 ? kIoErrorGenFailure : kIoSuccess;
        writes[i]->overlapped.status = status;
        IoEngine::Instance().Port()->Post({39, 0, &writes[i]->overlapped, status});
    }
    ASSERT_TRUE(WaitUntil([&] { return device.WriteBuffersInUse() == 0; }));
    EXPECT_EQ(device.writesCompleted, 15);
    EXPECT_EQ(device.writesFailed, 5);
    EXPECT_EQ(device.lastError, kIoErrorGenFailure);

    // A completion without an owner is dropped: the buffer stays the sender's.
    IoBuffer* b = device.AcquireWriteBuffer();
    IoEngine::Instance().Port()->Post({39, 0, &b->overlapped, kIoSuccess});
    ASSERT_TRUE(WaitUntil([] { return IoEngine::Instance().Port()->Pending() == 0; }));
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(device.writesCompleted, 15);
    EXPECT_EQ(device.WriteBuffersInUse(), 1u);
    device.ReleaseWriteBuffer(b);
}

} // namespace

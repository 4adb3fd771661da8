// The key channel: the mailbox word, the auto-reset event, get_key's flush
// and the permanent Esc after the window's end.
#include "sdl/key_channel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/platform.h"

namespace {

class KeyChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_state.store(0);
        key_event_create();
    }
    void TearDown() override { key_event_destroy(); }
};

// Runs get_key on another thread; tells whether it is still blocked after a
// while, then lets the caller post and collects the result.
class BlockedGetKey {
public:
    BlockedGetKey()
        : thread([this] {
              result.store(get_key());
              done.store(true);
          })
    {
    }
    bool still_waiting()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return !done.load();
    }
    uint8_t join()
    {
        thread.join();
        return result.load();
    }

private:
    std::atomic<bool> done{false};
    std::atomic<uint8_t> result{0xFF};
    std::thread thread;
};

}  // namespace

TEST_F(KeyChannel, PostStoresScanCodeAndTag)
{
    key_post(4);
    EXPECT_EQ(key_state.load(), 4u * 256 + 1);
}

TEST_F(KeyChannel, PressWhilePendingIsDropped)
{
    key_post(4);
    key_post(5);
    EXPECT_EQ(key_state.load(), 4u * 256 + 1);
}

TEST_F(KeyChannel, DrainPendingTable)
{
    key_state.store(0);
    EXPECT_FALSE(key_drain_pending());
    EXPECT_EQ(key_state.load(), 0u);

    key_state.store(7 * 256 + 1);
    EXPECT_TRUE(key_drain_pending());
    EXPECT_EQ(key_state.load(), 7u * 256 + 1);

    key_state.store(0x102);
    EXPECT_FALSE(key_drain_pending());
    EXPECT_EQ(key_state.load(), 0x106u);

    EXPECT_TRUE(key_drain_pending());
    EXPECT_EQ(key_state.load(), 0x102u);
}

TEST_F(KeyChannel, WaitConsumesAPendingKeyWithoutWaiting)
{
    key_state.store(28 * 256 + 1);
    EXPECT_EQ(key_wait(), 28u * 256 + 1);
    EXPECT_EQ(key_state.load(), 0u);
}

TEST_F(KeyChannel, WaitNeverClearsQuit)
{
    key_state.store(0x102);
    EXPECT_EQ(key_wait(), 0x102u);
    EXPECT_EQ(key_state.load(), 0x102u);
}

TEST_F(KeyChannel, KeyPressedWhileWaitingIsReturned)
{
    BlockedGetKey call;
    ASSERT_TRUE(call.still_waiting());
    key_post(4);
    EXPECT_EQ(call.join(), 4);
    EXPECT_EQ(key_state.load(), 0u);
}

TEST_F(KeyChannel, KeyPressedWhileBusyIsDiscardedAndTheNextCallReturnsNoKey)
{
    key_post(5);            // the driver was drawing
    EXPECT_EQ(get_key(), 0);  // flushed; the leftover signal ends the wait at once
    EXPECT_EQ(key_state.load(), 0u);
    BlockedGetKey call;     // the one after waits normally
    ASSERT_TRUE(call.still_waiting());
    key_post(3);
    EXPECT_EQ(call.join(), 3);
}

TEST_F(KeyChannel, TwoKeysWhileBusyLeaveOneNoKey)
{
    key_post(5);
    key_post(6);  // dropped: the slot is taken
    EXPECT_EQ(get_key(), 0);
    BlockedGetKey call;
    ASSERT_TRUE(call.still_waiting());
    key_post(2);
    EXPECT_EQ(call.join(), 2);
}

TEST_F(KeyChannel, SignalsDoNotAddUp)
{
    key_event_signal();
    key_event_signal();
    key_event_wait();  // takes the one signal
    BlockedGetKey call;
    ASSERT_TRUE(call.still_waiting());  // nothing left over
    key_post(10);
    EXPECT_EQ(call.join(), 10);
}

TEST_F(KeyChannel, QuitWakesTheWaiterAsEsc)
{
    BlockedGetKey call;
    ASSERT_TRUE(call.still_waiting());
    key_quit();
    EXPECT_EQ(call.join(), 1);
}

TEST_F(KeyChannel, QuitIsPermanentAndNeverBlocks)
{
    key_post(4);
    key_quit();  // the pending key is lost
    EXPECT_EQ(key_state.load(), 0x102u);
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(get_key(), 1);
        uint32_t word = key_state.load();
        EXPECT_TRUE(word == 0x102 || word == 0x106) << word;
    }
    key_post(3);  // presses after the end are dropped
    EXPECT_EQ(get_key(), 1);
}

TEST_F(KeyChannel, QuitSurvivesClosingTheDisplay)
{
    key_quit();
    key_event_destroy();
    EXPECT_EQ(get_key(), 1);
    EXPECT_EQ(get_key(), 1);
}

TEST_F(KeyChannel, WithoutEventGetKeyReturnsAtOnce)
{
    key_event_destroy();
    EXPECT_EQ(get_key(), 0);  // before video_open
    key_state.store(9 * 256 + 1);
    EXPECT_EQ(get_key(), 0);  // a stale key is flushed, nothing waits
}

TEST_F(KeyChannel, AutoRepeatPostsWheneverTheSlotIsEmpty)
{
    BlockedGetKey first;
    ASSERT_TRUE(first.still_waiting());
    key_post(4);
    EXPECT_EQ(first.join(), 4);
    BlockedGetKey second;
    ASSERT_TRUE(second.still_waiting());
    key_post(4);  // the same key again, as a repeat
    EXPECT_EQ(second.join(), 4);
}

// The consume step (read, test, clear) against the unconditional quit store:
// the quit value must never be lost, whichever comes first.
TEST_F(KeyChannel, QuitIsNeverLostToAConsume)
{
    for (int round = 0; round < 10000; round++) {
        key_state.store(4 * 256 + 1);
        std::atomic<bool> go{false};
        std::thread ui([&go] {
            while (!go.load()) {
            }
            key_quit();
        });
        go.store(true);
        key_wait();
        ui.join();
        ASSERT_EQ(key_state.load(), 0x102u) << "round " << round;
        key_event_create();  // drop the leftover signal
    }
}

// A display loop posting keys while the driver reads them, then ending:
// every key read is one that was posted, and the end reads as Esc for good.
TEST_F(KeyChannel, ConcurrentPostsAndQuit)
{
    std::atomic<bool> stop{false};
    std::thread ui([&stop] {
        for (int i = 0; i < 200000 && !stop.load(); i++)
            key_post(uint8_t(2 + i % 9));
        key_quit();
    });
    int esc = 0;
    for (int reads = 0; reads < 1000000; reads++) {
        uint8_t k = get_key();
        ASSERT_TRUE(k == 0 || k == 1 || (k >= 2 && k <= 10)) << int(k);
        if (k == 1 && ++esc == 3)
            break;
    }
    stop.store(true);
    ui.join();
    EXPECT_EQ(esc, 3);
    EXPECT_EQ(get_key(), 1);
}

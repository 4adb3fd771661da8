// The key channel as the driver sees it through key_read (get_key): a key
// pressed while it waits, keys pressed while it was busy, the permanent Esc
// after the window's end, and the display thread racing the driver. Built
// with each front end's event: C++ threads on the host (also under
// ThreadSanitizer), the Windows event in the Windows tests.
#include "frontend/key_channel.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

enum : uint8_t { no_key = 0, esc = 1 };

class KeyChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_channel_reset();
        ASSERT_TRUE(key_event_create());
    }
    void TearDown() override
    {
        key_event_destroy();
        key_channel_reset();
    }
};

// key_read on another thread: whether it is still blocked after a while,
// and what it returned in the end. The while counts from the thread's
// start, not its creation: on a loaded machine a new thread can take longer
// than the while to run at all, and a key posted before the read begins is
// rightly a key pressed while busy.
class BlockedRead {
public:
    BlockedRead()
        : thread_([this] {
              started_.store(true);
              result_.store(key_read());
              done_.store(true);
          })
    {
    }
    ~BlockedRead()
    {
        if (thread_.joinable())
            thread_.join();
    }
    bool still_waiting()
    {
        while (!started_.load())
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return !done_.load();
    }
    uint8_t join()
    {
        thread_.join();
        return result_.load();
    }

private:
    std::atomic<bool> started_{false};
    std::atomic<bool> done_{false};
    std::atomic<uint8_t> result_{0xFF};
    std::thread thread_;
};

TEST_F(KeyChannel, AKeyPressedWhileWaitingIsReturnedEveryTime)
{
    for (uint8_t scan : {4, 4, 28}) {  // the same key again, as an auto-repeat
        BlockedRead read;
        ASSERT_TRUE(read.still_waiting());
        key_post(scan);
        EXPECT_EQ(read.join(), scan);
    }
}

TEST_F(KeyChannel, KeysPressedWhileBusyGiveOneNoKeyThenTheReadWaits)
{
    key_post(5);  // the driver was drawing
    key_post(6);  // dropped: the slot is taken
    EXPECT_EQ(key_read(), no_key);
    BlockedRead read;  // nothing is left over
    ASSERT_TRUE(read.still_waiting());
    key_post(3);
    EXPECT_EQ(read.join(), 3);
}

// key_time_ms tells when the key went in, not when it was read; for "no
// key" and the end, when the read returned. window_closed tells the end.
TEST_F(KeyChannel, KeysCarryTheTimeTheyCameAndTheEndIsTold)
{
    key_post(4);
    EXPECT_EQ(key_read(), no_key);  // it came while the driver was busy
    BlockedRead read;
    ASSERT_TRUE(read.still_waiting());
    uint32_t before = clock_ms();
    key_post(5);
    uint32_t after = clock_ms();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(read.join(), 5);
    EXPECT_LE(key_time_ms() - before, after - before);  // in 32 bits: also not before `before`
    EXPECT_EQ(window_closed(), 0);

    key_quit();
    before = clock_ms();
    EXPECT_EQ(key_read(), esc);
    EXPECT_LE(key_time_ms() - before, clock_ms() - before);
    EXPECT_EQ(window_closed(), 1);
    key_channel_reset();
    EXPECT_EQ(window_closed(), 0);
}

// A read with a deadline (get_key_until, time limits): no key by then gives
// "no key" once the clock has reached it, stamped with the deadline itself;
// a key before it is the key; a deadline already past does not wait.
TEST_F(KeyChannel, AReadWithADeadlineEndsThereOrWithTheKey)
{
    uint32_t deadline = clock_ms() + 60;
    EXPECT_EQ(key_read_until(deadline), no_key);
    EXPECT_GE(int32_t(clock_ms() - deadline), 0);
    EXPECT_EQ(key_time_ms(), deadline);

    std::thread presser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the read waits by then
        key_post(6);
    });
    EXPECT_EQ(key_read_until(clock_ms() + 10000), 6);
    presser.join();

    const uint32_t start = clock_ms();
    EXPECT_EQ(key_read_until(start - 5), no_key);
    EXPECT_LT(clock_ms() - start, 1000u);
}

TEST_F(KeyChannel, WithoutADisplayAReadNeverWaits)
{
    key_event_destroy();
    EXPECT_EQ(key_read(), no_key);  // before video_open
    key_post(9);
    EXPECT_EQ(key_read(), no_key);  // a stale key is thrown away, nothing waits
}

TEST_F(KeyChannel, TheEndWakesAWaitingReadAsEsc)
{
    BlockedRead read;
    ASSERT_TRUE(read.still_waiting());
    key_quit();
    EXPECT_EQ(read.join(), esc);
}

TEST_F(KeyChannel, AfterTheEndEveryReadIsEscAndNeverWaits)
{
    key_post(4);
    key_quit();  // the pending key is lost
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(key_read(), esc) << "read " << i;
    key_post(3);  // presses after the end are dropped
    EXPECT_EQ(key_read(), esc);
    key_event_destroy();  // video_close
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(key_read(), esc) << "closed, read " << i;
}

// The window ends while the driver takes a pending key: whichever comes
// first, the end must survive (a lost end would leave get_key waiting for
// good), so a key pressed afterwards is dropped and reads give Esc. One
// display thread ends the window once per round, a little later each time.
TEST_F(KeyChannel, TheEndIsNeverLostToATakenKey)
{
    std::atomic<int> round{0}, ended{0};
    std::atomic<bool> stop{false};
    std::thread display([&] {
        for (int done = 0; !stop.load();) {
            int now = round.load();
            if (now == done) {
                std::this_thread::yield();
                continue;
            }
            for (volatile int spin = now % 256; spin; spin--) {
            }
            key_quit();
            done = now;
            ended.store(now);
        }
    });
    int lost = 0;
    for (int r = 1; r <= 50000; r++) {
        key_channel_reset();
        key_post(uint8_t(2 + r % 9));
        round.store(r);
        uint8_t first = key_read();  // never waits: the post leaves a signal
        while (ended.load() != r)
            std::this_thread::yield();
        key_post(7);
        if ((first != no_key && first != esc) || key_read() != esc)
            lost++;
    }
    stop.store(true);
    display.join();
    EXPECT_EQ(lost, 0);
}

// A display thread posting keys as fast as it can while the driver reads,
// then ending: every key read is one that was posted, and the end reads as
// Esc for good.
TEST_F(KeyChannel, PostsRacingReadsThenTheEnd)
{
    std::atomic<bool> stop{false};
    std::thread display([&stop] {
        for (int i = 0; i < 200000 && !stop.load(); i++)
            key_post(uint8_t(2 + i % 9));
        key_quit();
    });
    int escs = 0;
    for (int reads = 0; reads < 1000000 && escs < 3; reads++) {
        uint8_t k = key_read();
        ASSERT_TRUE(k == no_key || k == esc || (k >= 2 && k <= 10)) << int(k);
        escs += k == esc;
    }
    stop.store(true);
    display.join();
    EXPECT_EQ(escs, 3);
    EXPECT_EQ(key_read(), esc);
}

}  // namespace

// The key channel: its state table, the stale-key rule, quit as a
// permanent Esc, and the quit store racing the driver's consume step.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/platform.h"
#include "win32/win32.h"

namespace {

// lParam of a WM_KEYDOWN: scan code in bits 16-23, extended flag in bit 24.
LPARAM key_lparam(unsigned scan, bool extended = false)
{
    return (LPARAM)(1u | scan << 16 | (extended ? 1u << 24 : 0u));
}

class KeyChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_state = 0;
        key_event = nullptr;
    }
    void TearDown() override
    {
        if (key_event)
            CloseHandle(key_event);
        key_event = nullptr;
        key_state = 0;
    }
    void open_event() { key_event = CreateEventA(nullptr, FALSE, FALSE, nullptr); }
    bool event_is_set() { return WaitForSingleObject(key_event, 0) == WAIT_OBJECT_0; }
};

// Posts a key from another thread after a delay, as the UI thread would.
struct DelayedPost {
    unsigned scan;
    DWORD delay_ms;
    static DWORD WINAPI run(LPVOID p)
    {
        auto *self = static_cast<DelayedPost *>(p);
        Sleep(self->delay_ms);
        key_post(key_lparam(self->scan));
        return 0;
    }
};

TEST_F(KeyChannel, DrainPendingStateTable)
{
    struct Row {
        uint32_t before, after;
        bool result;
    } rows[] = {
        {0, 0, false},
        {0x0401, 0x0401, true},
        {0x5801, 0x5801, true},
        {0x102, 0x106, false},
        {0x106, 0x102, true},
    };
    for (const Row &r : rows) {
        key_state = r.before;
        EXPECT_EQ(key_drain_pending(), r.result) << std::hex << r.before;
        EXPECT_EQ(key_state, r.after) << std::hex << r.before;
    }
}

TEST_F(KeyChannel, PostStoresScanCodeWithoutExtendedFlag)
{
    open_event();
    key_post(key_lparam(4));
    EXPECT_EQ(key_state, 0x0401u);
    EXPECT_TRUE(event_is_set());
    key_state = 0;
    key_post(key_lparam(28, true));  // keypad Enter
    EXPECT_EQ(key_state, 0x1C01u);
}

TEST_F(KeyChannel, PostDropsWhileSlotIsTaken)
{
    open_event();
    key_post(key_lparam(4));
    key_post(key_lparam(5));
    EXPECT_EQ(key_state, 0x0401u);
    key_state = key_quit_value;
    key_post(key_lparam(5));
    EXPECT_EQ(key_state, (uint32_t)key_quit_value);
}

TEST_F(KeyChannel, WaitConsumesPendingKeyButNeverQuit)
{
    key_state = 0x0401;
    EXPECT_EQ(key_wait(), 0x0401u);
    EXPECT_EQ(key_state, 0u);
    key_state = 0x106;
    EXPECT_EQ(key_wait(), 0x106u);
    EXPECT_EQ(key_state, 0x106u);
}

TEST_F(KeyChannel, NoDisplayMeansNoKeyAtOnce)
{
    EXPECT_EQ(get_key(), 0);  // before video_open: no event, nothing pending
}

TEST_F(KeyChannel, KeyPressedWhileWaitingIsReturned)
{
    open_event();
    DelayedPost post{4, 100};
    HANDLE t = CreateThread(nullptr, 0, DelayedPost::run, &post, 0, nullptr);
    EXPECT_EQ(get_key(), 4);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(key_state, 0u);
    EXPECT_FALSE(event_is_set());  // the wait consumed the signal
}

TEST_F(KeyChannel, KeyPressedWhileBusyGivesNoKeyOnceThenWaits)
{
    open_event();
    key_post(key_lparam(4));  // nobody was waiting: stale
    key_post(key_lparam(5));  // dropped, the slot is taken
    EXPECT_EQ(get_key(), 0);  // flushed; the leftover signal ends the wait at once
    EXPECT_EQ(key_state, 0u);
    EXPECT_FALSE(event_is_set());

    // the next call really waits for a new press
    DelayedPost post{6, 150};
    DWORD start = GetTickCount();
    HANDLE t = CreateThread(nullptr, 0, DelayedPost::run, &post, 0, nullptr);
    EXPECT_EQ(get_key(), 6);
    EXPECT_GE(GetTickCount() - start, 100u);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}

TEST_F(KeyChannel, KeyArrivingAfterFlushIsReturnedAndLeavesItsSignal)
{
    open_event();
    // as if the key came between the flush and the wait test
    key_post(key_lparam(4));
    EXPECT_EQ(key_wait(), 0x0401u);
    EXPECT_TRUE(event_is_set());
    SetEvent(key_event);  // event_is_set consumed it; put it back
    EXPECT_EQ(get_key(), 0);  // the leftover signal: no key, at once
}

TEST_F(KeyChannel, QuitIsAPermanentEsc)
{
    open_event();
    key_post(key_lparam(4));
    key_quit();  // a pending key is lost
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(get_key(), 1) << "call " << i;
    EXPECT_TRUE(key_state == 0x102u || key_state == 0x106u);
    CloseHandle(key_event);  // after video_close
    key_event = nullptr;
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(get_key(), 1) << "closed, call " << i;
}

TEST_F(KeyChannel, QuitWhileWaitingWakesTheDriver)
{
    open_event();
    struct Quit {
        static DWORD WINAPI run(LPVOID)
        {
            Sleep(100);
            key_quit();
            return 0;
        }
    };
    HANDLE t = CreateThread(nullptr, 0, Quit::run, nullptr, 0, nullptr);
    EXPECT_EQ(get_key(), 1);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}

// keys.cpp is built for these tests with this hook between reading a pending
// key and clearing it: the very moment the UI thread's quit store can land.
bool quit_inside_consume = false;

}  // namespace

void key_consume_hook(void)
{
    if (quit_inside_consume) {
        quit_inside_consume = false;
        key_quit();
    }
}

namespace {

TEST_F(KeyChannel, QuitStoredDuringConsumeSurvives)
{
    open_event();
    key_post(key_lparam(4));
    quit_inside_consume = true;
    uint32_t word = key_wait();
    EXPECT_FALSE(quit_inside_consume) << "the hook did not run";
    EXPECT_EQ(word, 0x0401u);  // the key read before the quit is still delivered
    ASSERT_EQ(key_state, (uint32_t)key_quit_value);  // else get_key would block
    EXPECT_EQ(get_key(), 1);
    EXPECT_EQ(get_key(), 1);
}

// The UI thread posts keys as fast as it can and then stores quit, while the
// driver consumes without blocking. Whenever the quit store meets a consume
// step, the quit value must survive. One poster thread serves every round.
struct Race {
    std::atomic<unsigned> round{0}, finished{0};
    std::atomic<bool> stop{false};
    static DWORD WINAPI poster(LPVOID p)
    {
        auto *r = static_cast<Race *>(p);
        unsigned done = 0;
        while (!r->stop.load()) {
            unsigned now = r->round.load();
            if (now == done)
                continue;
            key_post(key_lparam(2 + now % 9));
            for (volatile unsigned spin = now % 64; spin; spin--)
                ;  // vary where the quit store lands in the driver's consume
            key_quit();
            done = now;
            r->finished = now;
        }
        return 0;
    }
};

TEST_F(KeyChannel, QuitIsNeverLostAgainstConsume)
{
    Race race;
    HANDLE t = CreateThread(nullptr, 0, Race::poster, &race, 0, nullptr);
    ASSERT_NE(t, nullptr);
    unsigned lost = 0;
    for (unsigned round = 1; round <= 3000; round++) {
        key_state = 0;
        race.round = round;
        while (race.finished.load() != round)
            key_wait();  // no event: never blocks, consumes whatever is pending
        if ((key_state & 0xFF) != 2 && (key_state & 0xFF) != 6)
            lost++;
        else if (get_key() != 1)
            lost++;
    }
    race.stop = true;
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(lost, 0u);
}

}  // namespace

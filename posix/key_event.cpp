/*
** The key channel's event (frontend/key_channel.h) on C++ threads, for a
** host front end whose keys arrive on a display thread (sdl/): a flag under
** a mutex and a condition variable, which makes an auto-reset event.
*/
#include "frontend/key_channel.h"
#include "platform/platform.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// Never destroyed, like the SDL front end's mailbox: a library that ends the
// process from the display thread (Xlib on a lost X connection) must not
// have exit destroy them under a driver waiting for a key.
std::mutex &mutex = *new std::mutex;
std::condition_variable &wake = *new std::condition_variable;
bool signalled = false;
std::atomic<bool> exists{false};

}  // namespace

int key_event_create(void)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        signalled = false;
    }
    exists.store(true);
    return 1;
}

void key_event_destroy(void) { exists.store(false); }

void key_event_signal(void)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        signalled = true;
    }
    wake.notify_one();
}

void key_event_wait(void)
{
    if (!exists.load())
        return;
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [] { return signalled; });
    signalled = false;  // auto-reset: one wait takes one signal
}

int key_event_wait_until(uint32_t deadline_ms)
{
    if (!exists.load())
        return 1;
    std::unique_lock<std::mutex> lock(mutex);
    while (!signalled) {
        // the deadline is on clock_ms; a wake-up a little early waits again
        const int32_t left = int32_t(deadline_ms - clock_ms());
        if (left <= 0)
            return 0;
        wake.wait_for(lock, std::chrono::milliseconds(left));
    }
    signalled = false;
    return 1;
}

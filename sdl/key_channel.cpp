/* The one-slot key mailbox; see key_channel.h. */
#include "sdl/key_channel.h"

#include <condition_variable>
#include <mutex>

#include "platform/platform.h"

std::atomic<uint32_t> key_state{0};

namespace {

struct AutoResetEvent {
    std::mutex mutex;
    std::condition_variable wake;
    bool signalled = false;
};

AutoResetEvent event;
std::atomic<bool> event_exists{false};

}  // namespace

void key_event_create(void)
{
    {
        std::lock_guard<std::mutex> lock(event.mutex);
        event.signalled = false;
    }
    event_exists.store(true);
}

void key_event_destroy(void) { event_exists.store(false); }

bool key_event_exists(void) { return event_exists.load(); }

void key_event_signal(void)
{
    {
        std::lock_guard<std::mutex> lock(event.mutex);
        event.signalled = true;
    }
    event.wake.notify_one();
}

void key_event_wait(void)
{
    std::unique_lock<std::mutex> lock(event.mutex);
    event.wake.wait(lock, [] { return event.signalled; });
    event.signalled = false;  // auto-reset: one wait takes one signal
}

void key_post(uint8_t scan)
{
    uint32_t expected = 0;
    // a pending key or the quit value stays; this press is dropped then
    if (!key_state.compare_exchange_strong(expected, (uint32_t(scan) << 8) | key_tag_pending))
        return;
    key_event_signal();
}

void key_quit(void)
{
    key_state.store(key_quit_value);  // whatever was pending is lost
    key_event_signal();
}

bool key_drain_pending(void)
{
    uint32_t word = key_state.load();
    if (word & key_quit_marker)
        key_state.fetch_xor(key_quit_flip);  // only the driver writes once quit is set
    word = key_state.load();
    return !(word & key_quit_flip) && word != 0;
}

uint32_t key_wait(void)
{
    if (key_event_exists() && key_state.load() == 0)
        key_event_wait();
    uint32_t word = key_state.load();
    if ((word & 0xFF) == key_tag_pending) {
        // consume the key, unless the quit value came in meanwhile: it must stay
        uint32_t expected = word;
        key_state.compare_exchange_strong(expected, 0);
    }
    return word;
}

uint8_t get_key(void)
{
    while (key_drain_pending())
        key_wait();
    uint32_t word = key_wait();
    return (word & 0xFF) ? uint8_t(word >> 8) : 0;
}

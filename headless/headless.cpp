#include "headless/headless.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "graphics/gfx.h"
#include "platform/screen_bmp.h"
#include "platform/key_word.h"
#include "platform/platform.h"
#include "platform/screen_memory.h"
#include "runner/runner.h"

namespace headless {

namespace {

Run the_run;
uint8_t screen[screen_size];
bool display_open = false;

// The key channel: one word and an auto-reset event, as in the window front ends.
uint32_t key_state = 0;
bool event_set = false;

void post_key(uint8_t scan)
{
    if (key_state != 0)
        return;  // a key is pending or the window is gone: the press is dropped
    key_state = (uint32_t(scan) << 8) | key_tag_pending;
    event_set = true;
}

void post_quit()
{
    key_state = key_quit_value;
    event_set = true;
}

void take_shot() { the_run.shots.emplace_back(screen, screen + screen_size); }

// What happens in the world while the program blocks in its wait: script
// steps run until one of them signals the event.
void block_until_signalled()
{
    while (!event_set) {
        if (the_run.next >= the_run.script.size()) {
            the_run.script_ran_out = true;
            post_quit();
            break;
        }
        const Step &s = the_run.script[the_run.next++];
        switch (s.action) {
        case Action::key: post_key(s.scan); break;
        case Action::shot: take_shot(); post_key(88); break;
        case Action::close: post_quit(); break;
        case Action::busy: post_key(s.scan); break;
        }
    }
}

bool key_drain_pending()
{
    if (key_state & key_quit_marker)
        key_state ^= key_quit_flip;
    return !(key_state & key_quit_flip) && key_state != 0;
}

uint32_t key_wait()
{
    if (display_open && key_state == 0) {
        block_until_signalled();
        event_set = false;  // the wait consumed the signal
    }
    uint32_t word = key_state;
    if ((word & 0xFF) == key_tag_pending)
        key_state = 0;
    return word;
}

}  // namespace

Run &reset(std::vector<Step> script)
{
    the_run = Run{};
    the_run.script = std::move(script);
    key_state = 0;
    event_set = false;
    display_open = false;
    video_is_open = 0;
    screen_bits = nullptr;
    draw_colour = 0;
    font_table = nullptr;
    std::memset(screen, 0, sizeof screen);
    return the_run;
}

Run &current() { return the_run; }

int scan_code(const std::string &name)
{
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '9')
        return name[0] - '0' + 1;
    if (name == "0") return 11;
    if (name == "esc") return 1;
    if (name == "enter") return 28;
    if (name == "space") return 57;
    if (name == "f1") return 59;
    if (name == "f12") return 88;
    if (name == "a") return 30;
    if (name.size() > 1 && name[0] == '#') {
        char *end = nullptr;
        long v = std::strtol(name.c_str() + 1, &end, 10);
        if (*end == 0 && v >= 1 && v <= 127)
            return int(v);
    }
    return -1;
}

std::vector<Step> parse_scenario(const std::string &text)
{
    std::vector<Step> steps;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        auto hash = line.find('#');
        // '#' starts a comment unless it begins a raw scan code ("key #30")
        while (hash != std::string::npos && hash + 1 < line.size() && isdigit((unsigned char)line[hash + 1]))
            hash = line.find('#', hash + 1);
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream words(line);
        std::string verb, arg, extra;
        if (!(words >> verb))
            continue;
        words >> arg;
        if (words >> extra)
            throw std::runtime_error("line " + std::to_string(number) + ": too many words");
        Step s{};
        if (verb == "key" || verb == "busy") {
            int code = scan_code(arg);
            if (code < 0)
                throw std::runtime_error("line " + std::to_string(number) + ": unknown key '" + arg + "'");
            s.action = verb == "key" ? Action::key : Action::busy;
            s.scan = uint8_t(code);
        } else if ((verb == "shot" || verb == "close") && arg.empty()) {
            s.action = verb == "shot" ? Action::shot : Action::close;
        } else {
            throw std::runtime_error("line " + std::to_string(number) + ": unknown command '" + verb + "'");
        }
        steps.push_back(s);
    }
    return steps;
}

std::vector<uint8_t> screen_bmp(const Screen &pixels)
{
    std::vector<uint8_t> out(screen_header_size + pixels.size());
    std::memcpy(out.data(), screen_header_template, screen_header_size);
    if (!pixels.empty())
        std::memcpy(out.data() + screen_header_size, pixels.data(), pixels.size());
    return out;
}

}  // namespace headless

using namespace headless;

// ---- the platform contract ------------------------------------------------

int video_open(void)
{
    if (video_is_open)
        return 2;
    the_run.video_opens++;
    if (the_run.fail_video)
        return 0;
    display_open = true;
    screen_bits = screen;
    video_is_open = 1;
    gfx_clear();
    return 1;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    // the window goes the way a closed window goes: the channel answers Esc
    post_quit();
    display_open = false;
    video_is_open = 0;
    screen_bits = nullptr;
}

void video_repaint(void) { the_run.repaints++; }

uint8_t get_key(void)
{
    the_run.waits.emplace_back(screen, screen + screen_size);
    // keys "pressed while the program was busy" reach the slot before this call
    while (the_run.next < the_run.script.size() && the_run.script[the_run.next].action == Action::busy)
        post_key(the_run.script[the_run.next++].scan);
    while (key_drain_pending())
        key_wait();
    uint32_t word = key_wait();
    return (word & 0xFF) ? uint8_t(word >> 8) : 0;
}

void show_error(const char *text) { the_run.errors.emplace_back(text); }

const char *result_file_name(void) { return the_run.dos_results ? "RESULT-D.TXT" : "RESULT-W.TXT"; }

uint8_t result_text_byte(uint8_t c) { return the_run.dos_results ? c : cp866_to_cp1251(c); }

void *sys_alloc(uint32_t size)
{
    the_run.allocations++;
    if (the_run.fail_allocation && the_run.allocations == the_run.fail_allocation)
        return nullptr;
    void *p = std::malloc(size ? size : 1);
    if (p)
        the_run.live_blocks++;
    return p;
}

void sys_free(void *block)
{
    if (block)
        the_run.live_blocks--;
    std::free(block);
}

#include "headless/headless.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#include "graphics/gfx.h"
#include "platform/screen_bmp.h"
#include "platform/key_channel.h"
#include "platform/platform.h"
#include "platform/screen_memory.h"
#include "runner/runner.h"

namespace headless {

namespace {

Run the_run;
uint8_t screen[screen_size];

// The key channel's event (platform/key_channel.h): it exists while the
// display is open, and waiting on it runs the script.
bool event_exists = false;
bool event_set = false;

void take_shot() { the_run.shots.emplace_back(screen, screen + screen_size); }

// What happens in the world while the program blocks in its wait: script
// steps run until one of them signals the event.
void block_until_signalled()
{
    while (!event_set) {
        if (the_run.next >= the_run.script.size()) {
            the_run.script_ran_out = true;
            key_quit();
            break;
        }
        const Step &s = the_run.script[the_run.next++];
        switch (s.action) {
        case Action::key: key_post(s.scan); break;
        case Action::shot: take_shot(); key_post(88); break;
        case Action::close: key_quit(); break;
        case Action::busy: key_post(s.scan); break;
        }
    }
}

}  // namespace

Run &reset(std::vector<Step> script)
{
    the_run = Run{};
    the_run.script = std::move(script);
    key_channel_reset();
    event_set = false;
    event_exists = false;
    screen_memory_close();
    gfx_set_colour(0);
    gfx_set_font(nullptr, 0);
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
    key_event_create();
    screen_memory_open(screen);
    return 1;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    // the window goes the way a closed window goes: the channel answers Esc
    key_quit();
    key_event_destroy();
    screen_memory_close();
}

void video_repaint(void) { the_run.repaints++; }

uint8_t get_key(void)
{
    if (the_run.keep_waits)
        the_run.waits.emplace_back(screen, screen + screen_size);
    // keys "pressed while the program was busy" reach the slot before this call
    while (the_run.next < the_run.script.size() && the_run.script[the_run.next].action == Action::busy)
        key_post(the_run.script[the_run.next++].scan);
    return key_read();
}

int key_event_create(void)
{
    event_exists = true;
    event_set = false;
    return 1;
}

void key_event_destroy(void) { event_exists = false; }

void key_event_signal(void) { event_set = true; }

void key_event_wait(void)
{
    if (!event_exists)
        return;
    block_until_signalled();
    event_set = false;  // the wait takes the signal
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

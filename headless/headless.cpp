#include "headless/headless.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <sstream>
#include <stdexcept>

#include "graphics/gfx.h"
#include "frontend/screen_bmp.h"
#include "frontend/key_channel.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"
#include "runner/runner.h"

namespace headless {

namespace {

Run the_run;
uint8_t screen[screen_size];

// The key channel's event (frontend/key_channel.h): it exists while the
// display is open, and waiting on it runs the script.
bool event_exists = false;
bool event_set = false;

void take_shot() { the_run.shots.emplace_back(screen, screen + screen_size); }

// What happens in the world while the program blocks in its wait: script
// steps run until one of them signals the event, or (timed) until a wait
// reaches the deadline: that wait passes the deadline exactly, the rest of
// it is left for later. false: the time ran out.
bool block_until_signalled(bool timed, uint32_t deadline)
{
    while (!event_set) {
        const int32_t left = int32_t(deadline - the_run.clock);
        if (timed && left <= 0)
            return false;
        if (timed && the_run.next < the_run.script.size() && the_run.script[the_run.next].action == Action::wait &&
            the_run.script[the_run.next].ms > uint32_t(left)) {
            the_run.script[the_run.next].ms -= uint32_t(left);
            the_run.clock = deadline;
            return false;
        }
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
        case Action::wait: the_run.clock += s.ms; break;
        }
    }
    return true;
}

// Now, as local wall-clock time read as UTC.
int64_t local_now()
{
    time_t now = time(nullptr);
    struct tm parts;
    localtime_r(&now, &parts);
    return int64_t(timegm(&parts));
}

}  // namespace

Run &reset(std::vector<Step> script)
{
    the_run = Run{};
    the_run.script = std::move(script);
    the_run.start_time = local_now();
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
    if (name == "backspace") return 14;
    // a letter or mark types what it types into an ID
    for (int scan = 1; name.size() == 1 && scan < 128; scan++)
        if (scan_char(uint8_t(scan)) && scan_char(uint8_t(scan)) == std::toupper((unsigned char)name[0]))
            return scan;
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
        } else if (verb == "wait") {
            char *end = nullptr;
            unsigned long ms = std::strtoul(arg.c_str(), &end, 10);
            if (arg.empty() || *end || !isdigit((unsigned char)arg[0]) || ms > 86400000ul)
                throw std::runtime_error("line " + std::to_string(number) + ": wait takes milliseconds, 0 to 86400000");
            s.action = Action::wait;
            s.ms = uint32_t(ms);
        } else {
            throw std::runtime_error("line " + std::to_string(number) + ": unknown command '" + verb + "'");
        }
        steps.push_back(s);
    }
    return steps;
}

int64_t parse_local_time(const std::string &text)
{
    struct tm parts = {};
    int used = 0;
    if (text.size() != 19 || sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon,
                                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &used) != 6 ||
        used != 19 || parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 || parts.tm_mday > 31 ||
        parts.tm_hour > 23 || parts.tm_min > 59 || parts.tm_sec > 59)
        return -1;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return int64_t(timegm(&parts));
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

// Before every key wait: the screen kept, and the busy keys pressed.
static void before_key_wait()
{
    if (the_run.keep_waits)
        the_run.waits.emplace_back(screen, screen + screen_size);
    // keys "pressed while the program was busy" reach the slot before this
    // call; the waits before them pass while it is busy, those after the
    // last of them while it waits (a key is stamped with its own moment)
    const std::vector<Step> &script = the_run.script;
    for (;;) {
        size_t k = the_run.next;
        while (k < script.size() && script[k].action == Action::wait)
            k++;
        if (k >= script.size() || script[k].action != Action::busy)
            break;
        for (; the_run.next < k; the_run.next++)
            the_run.clock += script[the_run.next].ms;
        key_post(script[k].scan);
        the_run.next = k + 1;
    }
}

uint8_t get_key(void)
{
    before_key_wait();
    return key_read();
}

uint8_t get_key_until(uint32_t deadline_ms)
{
    before_key_wait();
    return key_read_until(deadline_ms);
}

void video_wait_shown(void) {}

uint32_t clock_ms(void) { return the_run.clock; }

const char *clock_source(uint32_t *resolution_us)
{
    *resolution_us = 1000;
    return "simulated";
}

void local_time(LocalTime *now)
{
    time_t t = time_t(the_run.start_time + the_run.clock / 1000);
    struct tm parts;
    gmtime_r(&t, &parts);
    now->year = uint16_t(parts.tm_year + 1900);
    now->month = uint8_t(parts.tm_mon + 1);
    now->day = uint8_t(parts.tm_mday);
    now->hour = uint8_t(parts.tm_hour);
    now->minute = uint8_t(parts.tm_min);
    now->second = uint8_t(parts.tm_sec);
}

void session_entropy(uint8_t out[8])
{
    if (the_run.session_id.size() == 16) {
        for (int i = 0; i < 8; i++)
            out[i] = uint8_t(std::stoul(the_run.session_id.substr(size_t(2 * i), 2), nullptr, 16));
        return;
    }
    std::random_device random;
    for (int i = 0; i < 8; i++)
        out[i] = uint8_t(random());
}

const char *program_arguments(void) { return the_run.arguments.c_str(); }

const char *build_name(void) { return "headless"; }

// A commit that takes commit_ms of the simulated clock (a slow disk): the
// scenario goes on meanwhile. Its waits pass, and its keys and busy keys
// whose moment comes before the commit ends are pressed while the program
// is busy; a screenshot or a close waits for the program.
static void slow_commit()
{
    uint32_t left = the_run.commit_ms;
    std::vector<Step> &script = the_run.script;
    while (left && the_run.next < script.size()) {
        Step &s = script[the_run.next];
        if (s.action == Action::wait) {
            uint32_t pass = s.ms < left ? s.ms : left;
            the_run.clock += pass;
            left -= pass;
            s.ms -= pass;
            the_run.next += s.ms == 0;
        } else if (s.action == Action::key || s.action == Action::busy) {
            key_post(s.scan);
            the_run.next++;
        } else {
            break;
        }
    }
    the_run.clock += left;
}

int file_commit(FileHandle f)
{
    if (!f)
        return -1;
    the_run.commits++;
    slow_commit();
    return 0;
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
    block_until_signalled(false, 0);
    event_set = false;  // the wait takes the signal
}

int key_event_wait_until(uint32_t deadline_ms)
{
    if (!event_exists)
        return 1;
    if (!block_until_signalled(true, deadline_ms))
        return 0;
    event_set = false;
    return 1;
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

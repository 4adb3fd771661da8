// Headless platform: runs the portable core in-process with a scripted
// keyboard, an in-memory screen, a repaint counter, captured error messages
// and injectable allocation failures. Its key channel follows the windowed
// front ends: one pending slot, keys pressed while the program was busy are
// discarded by the next wait (which then reports "no key"), closing the
// window becomes a permanent Esc. Its clock is simulated: it stands still
// until the script waits, so response times come out exact. Files are the
// host's, but commits are only counted (a test tool need not wait for the
// disk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headless {

enum class Action { key, busy, shot, close, wait };

struct Step {
    Action action;
    uint8_t scan = 0;  // for key and busy
    uint32_t ms = 0;   // for wait
};

using Screen = std::vector<uint8_t>;  // 38,400 bytes

struct Run {
    std::vector<Step> script;
    size_t next = 0;
    bool script_ran_out = false;

    bool keep_waits = true;     // off: waits stays empty (long runs in a loop)
    std::vector<Screen> waits;  // the screen at every get_key call
    std::vector<Screen> shots;  // the screen at every F12
    std::vector<std::string> errors;
    unsigned repaints = 0;
    unsigned video_opens = 0;
    bool fail_video = false;    // video_open reports no display
    bool dos_results = false;   // RESULT-D.TXT with texts left in CP866

    uint64_t allocations = 0;   // sys_alloc calls so far
    uint64_t fail_allocation = 0;  // 1-based call number that fails; 0 never
    int64_t live_blocks = 0;

    std::string arguments;      // program_arguments
    uint32_t clock = 0;         // the simulated clock_ms, moved by wait steps
    int64_t start_time = 0;     // local time at clock 0, seconds since 1970 as if UTC
    std::string session_id;     // 16 hex digits for session_entropy; empty: random
    unsigned commits = 0;       // file_commit calls; the disk is not waited for
    uint32_t commit_ms = 0;     // simulated ms each commit takes, the scenario going on meanwhile
};

// Installs a fresh run (script and settings) for the next program_main.
Run &reset(std::vector<Step> script = {});
Run &current();

// Parses the shared scenario format; throws std::runtime_error with the line.
std::vector<Step> parse_scenario(const std::string &text);

// "YYYY-MM-DDThh:mm:ss" as seconds since 1970 (read as UTC, so that adding
// seconds never meets a clock change); -1 when it is not such a time.
int64_t parse_local_time(const std::string &text);

// The 62-byte header that makes a screen a 38,462-byte top-down BMP file.
std::vector<uint8_t> screen_bmp(const Screen &screen);

// Scan code for a key name of the scenario format ("1".."9", "esc", ...).
int scan_code(const std::string &name);

}  // namespace headless

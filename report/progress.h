// A one-line progress display on a terminal ("adding 1234/10000 files"),
// redrawn at most ten times a second; silent when not enabled.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace report {

class Progress {
public:
    Progress(std::ostream &out, bool enabled, std::string what, long total);
    ~Progress();  // clears the line
    void update(long done, const std::string &detail = {});
    // Prints a message on its own line (the progress line is redrawn later).
    void message(std::ostream &to, const std::string &text);

private:
    void clear();
    std::ostream &out_;
    bool enabled_;
    std::string what_;
    long total_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// Whether standard error is a terminal (where a progress line belongs).
bool stderr_is_terminal();

}  // namespace report

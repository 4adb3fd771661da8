#include "report/progress.h"

#include <unistd.h>

namespace report {

Progress::Progress(std::ostream &out, bool enabled, std::string what, long total)
    : out_(out), enabled_(enabled), what_(std::move(what)), total_(total)
{
}

Progress::~Progress()
{
    clear();
}

void Progress::update(long done, const std::string &detail)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100) && done < total_)
        return;
    last_ = now;
    shown_ = true;
    out_ << "\r\033[K" << what_ << " " << done << "/" << total_ << (detail.empty() ? "" : "  ") << detail
         << std::flush;
}

void Progress::message(std::ostream &to, const std::string &text)
{
    clear();
    to << text << "\n";
}

void Progress::clear()
{
    if (shown_) {
        out_ << "\r\033[K" << std::flush;
        shown_ = false;
    }
}

bool stderr_is_terminal()
{
    return isatty(2) == 1;
}

}  // namespace report

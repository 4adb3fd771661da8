#include "tests/robust/runner_model.h"

namespace robust {

namespace {

using headless::Action;
using headless::Step;

enum : uint8_t { scan_esc = 1, scan_enter = 28, scan_f12 = 88 };

// The keyboard as the program's waits see it.
class Keyboard {
public:
    explicit Keyboard(const std::vector<Step> &script) : script_(script) {}

    // One wait for a key: its scan code, or 0 for "no key".
    uint8_t wait()
    {
        bool pressed_while_busy = false;
        for (; next_ < script_.size() && (script_[next_].action == Action::busy ||
                                          script_[next_].action == Action::wait); next_++)
            pressed_while_busy |= script_[next_].action == Action::busy;
        if (closed_)
            return scan_esc;
        if (pressed_while_busy)
            return 0;
        if (next_ >= script_.size()) {
            closed_ = true;
            return scan_esc;
        }
        const Step &s = script_[next_++];
        switch (s.action) {
        case Action::shot:
            shots_++;
            return scan_f12;
        case Action::close:
            closed_ = true;
            return scan_esc;
        default:
            return s.scan;
        }
    }

    size_t used() const { return next_; }
    unsigned shots() const { return shots_; }
    bool closed() const { return closed_; }

private:
    const std::vector<Step> &script_;
    size_t next_ = 0;
    unsigned shots_ = 0;
    bool closed_ = false;
};

int options_present(unsigned options)
{
    int n = 0;
    for (int c = 0; c < 9; c++)
        n += (options >> c) & 1;
    return n;
}

}  // namespace

Expected expected_run(const std::vector<ModelItem> &items, bool has_intro, const std::vector<Step> &script)
{
    Expected out;
    Keyboard keys(script);
    if (has_intro)
        keys.wait();
    size_t item = 0;
    while (item < items.size()) {
        const uint8_t key = keys.wait();
        const int digit = key - 1;  // scan codes 2..10 are the digits 1..9
        if (digit >= 1 && digit <= 9 && digit <= options_present(items[item].options)) {
            if (keys.wait() == scan_enter) {
                const bool right = items[item].answer == digit;
                if (right || item >= 3) {
                    out.right.push_back(right);
                    item++;
                } else {
                    keys.wait();  // the refusal box
                }
            }
        }
        if (key == scan_esc)
            break;
    }
    out.shots = keys.shots();
    out.steps_used = keys.used();
    out.closed = keys.closed();
    return out;
}

}  // namespace robust

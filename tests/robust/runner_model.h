// What a run of the program must come to for a key script, worked out from
// what a person at the keyboard is promised, not from the runner's code:
//   - keys: a key pressed while the program is busy is thrown away and the
//     wait it meets reports "no key"; closing the window, or a script that
//     runs out, is Esc for good; F12 takes a screenshot and then counts as
//     a key of its own (scan code 88)
//   - any key leaves the instruction screen (when the test has one)
//   - on an item, digit N previews the N-th answer cell present (nothing
//     when there are fewer); the next key confirms it if it is Enter and
//     withdraws it otherwise
//   - a confirmed answer moves on, except a wrong one on the first three
//     items: that is refused with a box that the next key closes
//   - Esc on an item, or the last item answered, ends the test
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "headless/headless.h"

namespace robust {

struct ModelItem {
    int answer;        // 1..9
    unsigned options;  // bit c: answer cell c present
};

struct Expected {
    std::vector<bool> right;  // per answered item, from the first
    unsigned shots = 0;       // screenshots taken
    size_t steps_used = 0;    // script steps the run consumed
    bool closed = false;      // ended by a closed window or the script's end
};

Expected expected_run(const std::vector<ModelItem> &items, bool has_intro,
                      const std::vector<headless::Step> &script);

}  // namespace robust

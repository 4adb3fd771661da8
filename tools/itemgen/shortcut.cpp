#include "tools/itemgen/shortcut.h"

#include "tools/itemgen/items.h"

#include <algorithm>

namespace itemgen {

int shared_features(const Cell &a, const Cell &b)
{
    if (a.kind != b.kind)
        return 0;
    if (a.kind != Kind::figures) {
        int n = 0;
        for (int bit = 0; bit < 8; bit++)
            n += ((a.bits >> bit) & 1) == ((b.bits >> bit) & 1);
        return n;
    }
    return (a.shape == b.shape) + (a.count == b.count) + (a.size == b.size) + (a.fill == b.fill) + (a.rot == b.rot);
}

AnswerSpread answer_spread(const Item &item)
{
    AnswerSpread s;
    bool first_wrong = true;
    for (int c = 0; c < 9; c++) {
        if (!((item.mask >> c) & 1))
            continue;
        int shared = 0;
        for (int o = 0; o < 9; o++)
            if (o != c && ((item.mask >> o) & 1))
                shared += shared_features(item.options[c], item.options[o]);
        if (c == item.answer_cell) {
            s.right = shared;
        } else {
            s.least_wrong = first_wrong ? shared : std::min(s.least_wrong, shared);
            s.most_wrong = first_wrong ? shared : std::max(s.most_wrong, shared);
            first_wrong = false;
        }
    }
    return s;
}

std::string AnswerSpread::describe() const
{
    std::string s = "the right answer shares " + std::to_string(right) + " features with the other answers, the wrong "
                    "ones " + std::to_string(least_wrong) + " to " + std::to_string(most_wrong);
    if (right > most_wrong)
        return s + ": it can be picked as the one most like the others, without the problem";
    if (right < least_wrong)
        return s + ": it can be picked as the odd one out, without the problem";
    return s + ": no shortcut";
}

}  // namespace itemgen

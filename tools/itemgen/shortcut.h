// The shortcut check: the right answer must not be findable from the answer
// cells alone, without looking at the problem. Wrong answers made by
// changing one feature of the right one each share most with it, so the
// right answer is the one that shares the most features with all the others;
// a person who picks that answer would pass without solving anything. The
// odd one out, sharing the fewest, would give it away as well.
#pragma once

#include "tools/itemgen/cell.h"

#include <string>

namespace itemgen {

struct Item;

// Features two cells have in common: shape, count, size, filling and turn
// of figures; each of the eight strokes or dots, present or absent in both.
int shared_features(const Cell &a, const Cell &b);

struct AnswerSpread {
    int right = 0;                           // features the right answer shares with the other answers, summed
    int least_wrong = 0, most_wrong = 0;     // the range of the same over the wrong answers
    bool shortcut() const { return right > most_wrong || right < least_wrong; }
    std::string describe() const;
};
AnswerSpread answer_spread(const Item &item);

}  // namespace itemgen

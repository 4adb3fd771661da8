#include "tools/itemgen/output.h"

#include <sstream>

namespace itemgen {
namespace {

const int practice_items = 3;

std::string item_text(int number, const std::string &language)
{
    std::string n = std::to_string(number);
    if (language == "ru")
        return number <= practice_items ? "Задание " + n + " (тренировочное)" : "Задание " + n;
    return number <= practice_items ? "Item " + n + " (practice)" : "Item " + n;
}

// A digit of a present option other than the right one.
int wrong_digit(const Item &item, int nth = 0)
{
    int n = item.option_count();
    int d = item.answer % n + 1 + nth;
    while (d > n)
        d -= n;
    return d == item.answer ? (d % n) + 1 : d;
}

struct Script {
    std::ostringstream body;
    std::string marks;
    void key(const std::string &k, const std::string &why = "")
    {
        body << "key " << k;
        if (!why.empty())
            body << "    # " << why;
        body << "\n";
    }
    void shot(const std::string &why) { body << "shot    # " << why << "\n"; }
    void comment(const std::string &c) { body << "# " << c << "\n"; }
    std::string text(const std::string &title, size_t count) const
    {
        std::string m = marks;
        m.resize(count, '_');
        return "# " + title + "\n# Written by tools/itemgen; the marks line gives the result mark of every\n"
               "# item in order ('_' = not reached, a space in the result file).\n# marks: " + m + "\n" +
               body.str();
    }
};

std::string digit(int d) { return std::to_string(d); }

}  // namespace

std::string manifest(const std::vector<Item> &items, const std::string &language)
{
    std::ostringstream o;
    o << "{\n"
         "  \"font\": \"../font/cp866-8x8.txt\",\n"
         "  \"instruction\": \"instruction.txt\",\n"
         "  \"messages\": \"messages.txt\",\n"
         "  \"pictures\": \"../pictures\",\n"
         "  \"items\": [\n";
    for (size_t i = 0; i < items.size(); i++) {
        const Item &it = items[i];
        o << "    {\"name\": \"" << it.name << "\", \"answer\": " << it.answer << ", \"cells\": [";
        bool first = true;
        for (int c = 0; c < 9; c++)
            if ((it.mask >> c) & 1) {
                o << (first ? "" : ", ") << c + 1;
                first = false;
            }
        o << "], \"empty\": " << it.empty + 1 << ", \"text\": \"" << item_text(int(i) + 1, language) << "\"}"
          << (i + 1 < items.size() ? "," : "") << "\n";
    }
    o << "  ]\n}\n";
    return o.str();
}

std::string scenario_all_right(const std::vector<Item> &items)
{
    Script s;
    s.shot("instruction screen; F12 also ends it");
    s.key("space", "ignored on the first item when F12 ended the instruction");
    for (size_t i = 0; i < items.size(); i++) {
        if (i == 0 || i == 3 || i + 1 == items.size())
            s.shot("item " + std::to_string(i + 1));
        s.key(digit(items[i].answer), "item " + std::to_string(i + 1));
        s.key("enter");
        s.marks += '+';
    }
    return s.text("Answers every item of the sample test right.", items.size());
}

std::string scenario_mixed(const std::vector<Item> &items)
{
    Script s;
    s.key("space", "leaves the instruction screen");
    for (size_t i = 0; i < items.size(); i++) {
        const Item &it = items[i];
        std::string n = std::to_string(i + 1);
        if (i == 0) {
            s.key(digit(wrong_digit(it)), "item 1: wrong answer on a practice item");
            s.key("enter", "refused with the popup");
            s.shot("the popup; F12 also closes it");
            s.key(digit(it.answer), "item 1: right answer");
            s.key("enter");
            s.marks += '+';
        } else if (i == 1) {
            s.key(digit(wrong_digit(it)), "item 2: preview of a wrong answer");
            s.key("esc", "takes it back; the test goes on");
            s.key(digit(it.answer), "preview of the right answer");
            s.key("space", "takes it back");
            s.key(digit(it.answer));
            s.key("enter");
            s.marks += '+';
        } else if (i == 2) {
            s.key(digit(wrong_digit(it)), "item 3: wrong");
            s.key("enter", "refused");
            s.key("5", "any key closes the popup; no answer preview follows");
            s.key(digit(wrong_digit(it, 1)), "wrong again");
            s.key("enter", "refused again");
            s.key("enter", "closes the popup");
            s.key(digit(it.answer));
            s.key("enter");
            s.marks += '+';
        } else if (it.option_count() < 9 && s.body.str().find("beyond") == std::string::npos) {
            s.key(digit(it.option_count() + 1), "item " + n + ": digit beyond its " + std::to_string(it.option_count()) +
                                                     " answers, nothing happens");
            s.key(digit(it.answer), "preview of the right answer");
            s.shot("the preview; F12 also takes it back");
            s.key(digit(it.answer));
            s.key("enter");
            s.marks += '+';
        } else if (i % 4 == 3 || i == items.size() - 2) {
            s.key(digit(wrong_digit(it)), "item " + n + ": wrong answer, accepted");
            s.key("enter");
            s.marks += '-';
        } else {
            s.key(digit(it.answer), "item " + n);
            s.key("enter");
            s.marks += '+';
        }
    }
    return s.text("Right and wrong answers, previews taken back, refusals on practice items.", items.size());
}

std::string scenario_esc_early(const std::vector<Item> &items)
{
    Script s;
    s.key("space", "leaves the instruction screen");
    for (size_t i = 0; i < 5; i++) {
        bool wrong = i == 3;
        s.key(digit(wrong ? wrong_digit(items[i]) : items[i].answer), "item " + std::to_string(i + 1));
        s.key("enter");
        s.marks += wrong ? '-' : '+';
    }
    s.key(digit(items[5].answer), "item 6: preview");
    s.key("esc", "takes the preview back");
    s.key("esc", "ends the test");
    return s.text("Five items answered (the fourth wrong), then Esc.", items.size());
}

}  // namespace itemgen

// itemgen: generates the sample test's items.
//
//   itemgen -o DATA_DIR [--report]
//   itemgen --self-test
//
// writes DATA_DIR/pictures/NAME0.png and NAME1.png for every item,
// DATA_DIR/ru/test.json and DATA_DIR/en/test.json (the item lists, with the
// fixed references to font, texts and pictures) and the scenario scripts
// DATA_DIR/ru/*.scn. The output depends only on the fixed seed below, so
// running it again reproduces the committed files byte for byte.
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "tools/itemgen/items.h"
#include "tools/itemgen/output.h"
#include "tools/itemgen/png_write.h"
#include "tools/itemgen/selftest.h"
#include "tools/itemgen/shortcut.h"

using namespace itemgen;

namespace {

const uint64_t seed = 0x4D455249444F4B41ull;

// Answer cells per item: most items offer nine, some fewer.
const int option_counts[] = {6, 8, 9, 8, 9, 6, 9, 8, 9, 5, 9, 8, 9, 6, 9, 9, 8, 9, 4, 9, 8, 9, 9, 7, 9, 8, 9};

bool write_text(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out.flush());
}

// Checks over the whole test: enough items, varied positions of the right
// answer and of the empty cell, some items with fewer than nine options.
bool check_test(const std::vector<Item> &items, std::string &why)
{
    if (items.size() < 24) {
        why = "fewer than 24 items";
        return false;
    }
    std::map<int, int> answer_cells, empties, digits;
    std::set<std::string> names;
    int sparse = 0;
    for (const Item &it : items) {
        answer_cells[it.answer_cell]++;
        empties[it.empty]++;
        digits[it.answer]++;
        sparse += it.option_count() < 9;
        if (it.name.empty() || it.name.size() > 7 || !names.insert(it.name).second) {
            why = "bad or repeated item name " + it.name;
            return false;
        }
    }
    auto varied = [&](const std::map<int, int> &m) {
        for (const auto &kv : m)
            if (size_t(kv.second) * 4 > items.size())  // no value in more than a quarter
                return false;
        return m.size() >= 6;
    };
    if (!varied(answer_cells) || !varied(digits)) {
        why = "the right answer's position hardly varies";
        return false;
    }
    if (!varied(empties)) {
        why = "the empty cell hardly varies";
        return false;
    }
    if (sparse < 4) {
        why = "too few items with fewer than nine options";
        return false;
    }
    for (size_t i = 1; i < items.size(); i++)
        if (items[i].answer_cell == items[i - 1].answer_cell && items[i].answer == items[i - 1].answer) {
            why = "items " + std::to_string(i) + " and " + std::to_string(i + 1) + " have the same right answer";
            return false;
        }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string out;
    bool report = false;
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
            out = argv[++i];
        else if (!std::strcmp(argv[i], "--report"))
            report = true;
        else if (!std::strcmp(argv[i], "--self-test"))
            return self_test();
        else
            out.clear(), i = argc;
    }
    if (out.empty()) {
        std::cerr << "usage: itemgen -o DATA_DIR [--report]\n";
        return 64;
    }

    static const std::vector<Family> families = sample_families();
    if (families.size() != sizeof option_counts / sizeof option_counts[0]) {
        std::cerr << "itemgen: option counts do not match the families\n";
        return 1;
    }
    std::vector<Item> items;
    for (size_t i = 0; i < families.size(); i++) {
        char name[8];
        std::snprintf(name, sizeof name, "A%02u", unsigned(i + 1));
        Rng rng(seed ^ ((i + 1) * 0x9E3779B97F4A7C15ull));
        Item item;
        std::string why;
        // reroll an item that repeats the previous one's right answer
        bool ok = false;
        for (int attempt = 0; attempt < 20 && !ok; attempt++) {
            if (!build_item(families[i], name, option_counts[i], rng, item, why)) {
                std::cerr << "itemgen: " << name << " (" << families[i].name << "): " << why << "\n";
                return 1;
            }
            ok = items.empty() || item.answer_cell != items.back().answer_cell;
        }
        items.push_back(item);
    }
    std::string why;
    for (const Item &it : items)
        if (!check_item(it, why)) {
            std::cerr << "itemgen: " << it.name << ": " << why << "\n";
            return 1;
        }
    if (!check_test(items, why)) {
        std::cerr << "itemgen: " << why << "\n";
        return 1;
    }

    for (const char *dir : {"", "/pictures", "/ru", "/en"})
        mkdir((out + dir).c_str(), 0777);
    bool ok = true;
    for (const Item &it : items) {
        ok = ok && write_png(out + "/pictures/" + it.name + "0.png", problem_picture(it));
        ok = ok && write_png(out + "/pictures/" + it.name + "1.png", answer_picture(it));
    }
    ok = ok && write_text(out + "/ru/test.json", manifest(items, "ru"));
    ok = ok && write_text(out + "/en/test.json", manifest(items, "en"));
    ok = ok && write_text(out + "/ru/all-right.scn", scenario_all_right(items));
    ok = ok && write_text(out + "/ru/mixed.scn", scenario_mixed(items));
    ok = ok && write_text(out + "/ru/esc-early.scn", scenario_esc_early(items));
    if (!ok) {
        std::cerr << "itemgen: cannot write into " << out << "\n";
        return 1;
    }
    if (report) {
        for (const Item &it : items) {
            std::cout << it.name << "  " << it.family->name << ": empty " << it.empty + 1 << ", answer " << it.answer
                      << " of " << it.option_count() << " (cell " << it.answer_cell + 1 << "); "
                      << answer_spread(it).describe() << "\n";
            for (int c = 0; c < 9; c++)
                if ((it.mask >> c) & 1)
                    std::cout << "    " << digit_of_cell(it.mask, c) << (c == it.answer_cell ? "* " : "  ")
                              << describe(it.options[c]) << "\n";
        }
    }
    return 0;
}

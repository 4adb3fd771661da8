#include "tests/robust/soak_tests.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>

#include "tests/fuzz/reference.h"
#include "tests/unit/runner_support.h"

namespace robust {

namespace {

using namespace runner_support;

// What the program will find in dir's archive.
SoakTest read_back(const std::string &dir, const std::string &label)
{
    const Bytes file = read_file(dir + "/" + archive_file_name);
    SoakTest t;
    t.dir = dir;
    t.label = label;
    Bytes table, intro;
    std::vector<size_t> records;
    if (!ref::load(file.data(), file.size(), resource_items, table) ||
        !ref::items(table.data(), table.size(), records)) {
        fprintf(stderr, "soak: no item table in %s\n", dir.c_str());
        exit(2);
    }
    for (size_t at : records) {
        const uint8_t *rec = &table[at];
        t.items.push_back({rec[item_answer_at], ref::u16(rec + item_mask_at) & item_options_mask});
        // compared only when it ends inside its own field (otherwise it runs on)
        const char *field = reinterpret_cast<const char *>(rec + item_text_at);
        std::string text = memchr(field, 0, rec[item_text_length_at]) ? field : "";
        for (char c : text)
            if (uint8_t(c) >= 0x80 || c == '\n')
                text.clear();
        t.texts.push_back(text);
    }
    t.has_intro = ref::load(file.data(), file.size(), resource_instruction, intro);
    return t;
}

}  // namespace

SoakTest sample_test(const std::string &path, const std::string &dir)
{
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(path, dir + "/" + archive_file_name);
    return read_back(dir, "sample");
}

SoakTest generated_test(Rng &rng, int count, const std::string &dir)
{
    // pictures depend only on the empty cell: made once
    static std::vector<Entry> problems, answers;
    if (problems.empty()) {
        for (int c = 0; c < 9; c++)
            problems.push_back(packed("", problem_picture(c)));
        answers.push_back(packed("", answer_picture()));
    }
    std::vector<Item> items;
    for (int i = 0; i < count; i++) {
        unsigned options = 1 + rng.below(item_options_mask);
        int present = __builtin_popcount(options);
        unsigned empty = 1 + rng.below(9);
        items.push_back({"G" + std::to_string(i + 1), uint8_t(1 + rng.below(unsigned(present))),
                         uint16_t(options | empty << item_empty_shift), "Item " + std::to_string(i + 1)});
    }
    TestSetup setup;
    std::vector<Entry> entries = {plain(resource_items, table_bytes(items)),
                                  packed(resource_messages, messages_bytes(setup.message_texts)),
                                  packed(resource_font, font_bytes())};
    if (rng.percent(70))
        entries.push_back(plain(resource_instruction, text_bytes(std::string("Instructions\nline two") + '\0')));
    for (const Item &it : items) {
        Entry problem = problems[(it.mask >> item_empty_shift) - 1], answer = answers[0];
        problem.name = it.name + char(picture_problem_suffix);
        answer.name = it.name + char(picture_answers_suffix);
        entries.push_back(problem);
        entries.push_back(answer);
    }
    std::filesystem::create_directories(dir);
    write_file(dir + "/" + archive_file_name, archive_bytes(entries));
    return read_back(dir, std::to_string(count) + (count == 1 ? " item" : " items"));
}

}  // namespace robust

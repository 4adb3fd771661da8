// Whole test runs in-process: a standard test archive and a scripted run.
#pragma once

#include "runner/runner.h"
#include "support.h"

namespace runner_support {

using namespace support;
using headless::Action;
using headless::Step;

inline Step key(uint8_t scan) { return {Action::key, scan}; }
inline Step busy(uint8_t scan) { return {Action::busy, scan}; }
inline Step digit(int d) { return key(uint8_t(d + 1)); }
inline Step enter() { return key(key_enter); }
inline Step esc() { return key(key_esc); }
inline Step close_window() { return {Action::close, 0}; }

// Problem pictures are black in the cell they carry in the pattern, answer
// pictures carry a different stripe per cell, so a preview is visible.
inline Bytes problem_picture(int empty_cell)
{
    return picture_bytes(picture_width, picture_height, [=](unsigned x, unsigned y) {
        unsigned c = (y / cell_pitch_y) * 3 + x / cell_pitch_x;
        bool in_cell = x % cell_pitch_x < cell_width && y % cell_pitch_y < cell_height;
        return in_cell && int(c) != empty_cell && (x + y) % 3 == 0;
    });
}

inline Bytes answer_picture()
{
    return picture_bytes(picture_width, picture_height, [](unsigned x, unsigned y) {
        unsigned c = (y / cell_pitch_y) * 3 + x / cell_pitch_x;
        bool in_cell = x % cell_pitch_x < cell_width && y % cell_pitch_y < cell_height;
        return in_cell && (x / 4) % (c + 2) == 0;
    });
}

struct TestSetup {
    std::vector<Item> items;
    bool intro = true;
    bool messages = true;
    bool font = true;
    bool pictures = true;
    std::vector<std::string> message_texts = {"Heading", "Hint line", "Wrong", "Results:", "Total:", "Press a key"};
};

// Items with three training items first; answers and masks vary.
inline std::vector<Item> standard_items(int count = 5)
{
    std::vector<Item> items;
    const uint16_t masks[] = {0x1FF, 0x111, 0x0FF, 0x1FF, 0x155};
    for (int i = 0; i < count; i++) {
        uint16_t options = masks[i % 5];
        int available = __builtin_popcount(options);
        uint16_t empty = uint16_t(i % 9 + 1);
        items.push_back({"IT" + std::to_string(i), uint8_t(i % available + 1), uint16_t(options | empty << 12),
                         "Item " + std::to_string(i + 1)});
    }
    return items;
}

inline void write_test(const TestSetup &setup)
{
    std::vector<Entry> entries = {plain(resource_items, table_bytes(setup.items))};
    if (setup.messages)
        entries.push_back(packed(resource_messages, messages_bytes(setup.message_texts)));
    if (setup.font)
        entries.push_back(packed(resource_font, font_bytes()));
    if (setup.intro)
        entries.push_back(plain(resource_instruction, text_bytes(std::string("Instructions\nsecond line") + '\0')));
    if (setup.pictures) {
        for (const Item &it : setup.items) {
            std::string base = it.name.substr(0, picture_base_size);
            entries.push_back(packed(base + char(picture_problem_suffix), problem_picture((it.mask >> item_empty_shift) - 1)));
            entries.push_back(packed(base + char(picture_answers_suffix), answer_picture()));
        }
    }
    write_archive(entries);
}

inline int run_test(std::vector<Step> script)
{
    headless::reset(std::move(script));
    return program_main();
}

// 1 for a white pixel, 0 for black.
inline int pixel(const headless::Screen &s, int x, int y) { return (s[size_t(y * 80 + x / 8)] >> (7 - x % 8)) & 1; }

// The digit keys that answer every item right.
inline std::vector<Step> right_answers(const std::vector<Item> &items)
{
    std::vector<Step> steps;
    for (const Item &it : items) {
        steps.push_back(digit(it.answer));
        steps.push_back(enter());
    }
    return steps;
}

}  // namespace runner_support

// The item table (TESTINFO) and the message table (MESSAGES) on the tools'
// side: written from and read back into plain records. Their byte layout is
// archive/format.h; which cell a digit picks is the runner's own rule
// (option_cell, archive/testinfo.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

enum : int {
    item_text_max = 254    // the record's length byte counts the zero too
};

struct Item {
    std::string name;    // 1..7 characters: pictures NAME0 (problem), NAME1 (answers)
    int answer = 0;      // digit key 1..9: rank of the right cell among the present ones
    uint16_t cells = 0;  // bit c: answer cell c (0..8, row by row) is present
    int empty = 0;       // 1..9: the problem cell left empty
    std::string text;    // CP866, without its zero byte
};

std::vector<uint8_t> encode_testinfo(const std::vector<Item> &items);
std::vector<uint8_t> encode_messages(const std::vector<std::string> &messages);

// The records of a table; throws Error "FILE: TESTINFO is damaged ..." (or
// MESSAGES) when a record runs past the table's end. (wdl check names each
// fault; these only read what the runner would read.)
std::vector<Item> decode_testinfo(const std::vector<uint8_t> &table, const std::string &file);
std::vector<std::string> decode_messages(const std::vector<uint8_t> &table, const std::string &file);

// The answer cell (1..9, row by row) that an item's answer digit picks, or
// 0 when the digit picks none.
int correct_cell(const Item &item);

}  // namespace host

#include "host/tables.h"

#include "host/archive_file.h"
#include "host/codepages.h"
#include "host/error.h"
#include "host/little_endian.h"

#include "archive/format.h"
#include "archive/testinfo.h"

namespace host {

std::vector<uint8_t> encode_testinfo(const std::vector<Item> &items)
{
    std::vector<uint8_t> out;
    append16(out, uint32_t(items.size()));
    for (const Item &it : items) {
        const uint16_t mask = uint16_t(it.cells | (it.empty << item_empty_shift));
        out.push_back(uint8_t(it.answer));
        out.push_back(uint8_t(it.text.size() + 1));
        append16(out, mask);
        for (size_t k = 0; k < 8; k++)
            out.push_back(k < it.name.size() ? uint8_t(it.name[k]) : 0);
        out.insert(out.end(), it.text.begin(), it.text.end());
        out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> encode_messages(const std::vector<std::string> &messages)
{
    std::vector<uint8_t> out;
    append16(out, uint32_t(messages.size()));
    for (const std::string &m : messages) {
        const size_t len = m.size() + 1;
        append16(out, uint32_t(len));
        out.insert(out.end(), m.begin(), m.end());
        out.push_back(0);
    }
    return out;
}

std::vector<Item> decode_testinfo(const std::vector<uint8_t> &info, const std::string &file)
{
    const std::string bad_table = file + ": TESTINFO is damaged (run wdl check)";
    if (info.size() < 2)
        throw Error(bad_table);
    std::vector<Item> items;
    const uint32_t count = get16(info, 0);
    size_t pos = 2;
    for (uint32_t i = 0; i < count; i++) {
        if (pos + item_record_header > info.size() ||
            pos + item_record_header + info[pos + item_text_length_at] > info.size())
            throw Error(bad_table);
        const size_t len = info[pos + item_text_length_at];
        Item it;
        it.answer = info[pos + item_answer_at];
        const uint16_t mask = uint16_t(get16(info, pos + item_mask_at));
        it.cells = mask & item_options_mask;
        it.empty = mask >> item_empty_shift;
        it.name = cp866_to_utf8(text_until_zero(info, pos + item_name_at, pos + item_name_at + picture_base_size));
        it.text = text_until_zero(info, pos + item_text_at, pos + item_text_at + len);
        items.push_back(it);
        pos += item_record_header + len;
    }
    return items;
}

std::vector<std::string> decode_messages(const std::vector<uint8_t> &msgs, const std::string &file)
{
    const std::string bad_table = file + ": MESSAGES is damaged (run wdl check)";
    if (msgs.size() < 2)
        throw Error(bad_table);
    std::vector<std::string> messages;
    size_t pos = 2;
    for (uint32_t i = 0, n = get16(msgs, 0); i < n; i++) {
        if (pos + 2 > msgs.size() || pos + 2 + get16(msgs, pos) > msgs.size())
            throw Error(bad_table);
        const size_t len = get16(msgs, pos);
        messages.push_back(text_until_zero(msgs, pos + 2, pos + 2 + len));
        pos += 2 + len;
    }
    return messages;
}

int correct_cell(const Item &item)
{
    return option_cell(item.cells, item.answer) + 1;
}

}  // namespace host

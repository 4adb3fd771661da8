// What is known of each participant beyond the sessions (age, birth date,
// sex, group, school year...): imported from a table, used to choose norm
// groups and to compare groups. Each attribute has one type, inferred from
// every value the store holds of it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace store {

enum class AttributeType { number, date, text };

const char *type_name(AttributeType t);
// A decimal number: optional minus, digits, optional fraction ("17", "-2.5").
bool is_number_value(std::string_view v);
// A calendar date YYYY-MM-DD.
bool is_date_value(std::string_view v);
// The narrowest type all the (non-empty) values fit: number, date, else text.
AttributeType infer_type(const std::vector<std::string> &values);

struct AttributeColumn {
    std::string name;
    AttributeType type = AttributeType::text;
};

struct Attributes {
    std::vector<AttributeColumn> columns;  // in the order first imported
    std::map<std::string, std::map<std::string, std::string>> of;  // participant -> name -> value
    const AttributeColumn *column(std::string_view name) const
    {
        for (const AttributeColumn &c : columns)
            if (c.name == name)
                return &c;
        return nullptr;
    }
};

// One participant's row of an imported table: values in the order of its columns.
struct AttributeRow {
    std::string participant;
    std::vector<std::string> values;  // empty: not known (removes a value imported before)
};

struct AttributesPut {
    int64_t added = 0, updated = 0, unchanged = 0;  // participants
    std::vector<AttributeColumn> columns;           // the imported columns, with their types now
};

}  // namespace store

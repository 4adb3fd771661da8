#include "store/attributes.h"

namespace store {

const char *type_name(AttributeType t)
{
    return t == AttributeType::number ? "number" : t == AttributeType::date ? "date" : "text";
}

bool is_number_value(std::string_view v)
{
    size_t i = !v.empty() && v[0] == '-';
    const size_t digits_from = i;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9')
        i++;
    if (i == digits_from || i - digits_from > 15)
        return false;
    if (i == v.size())
        return true;
    if (v[i] != '.' || i + 1 == v.size())
        return false;
    for (i++; i < v.size(); i++)
        if (v[i] < '0' || v[i] > '9')
            return false;
    return true;
}

bool is_date_value(std::string_view v)
{
    if (v.size() != 10 || v[4] != '-' || v[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (v[i] < '0' || v[i] > '9')
            return false;
    const int y = std::stoi(std::string(v.substr(0, 4))), m = std::stoi(std::string(v.substr(5, 2))),
              d = std::stoi(std::string(v.substr(8, 2)));
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m >= 1 && m <= 12 && d >= 1 && d <= days[m - 1];
}

AttributeType infer_type(const std::vector<std::string> &values)
{
    bool number = true, date = true;
    for (const std::string &v : values) {
        if (v.empty())
            continue;
        number = number && is_number_value(v);
        date = date && is_date_value(v);
    }
    return number ? AttributeType::number : date ? AttributeType::date : AttributeType::text;
}

}  // namespace store

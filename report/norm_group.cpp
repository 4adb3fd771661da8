#include "report/norm_group.h"

#include "report/classical.h"
#include "report/error.h"
#include "report/filter.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace report {

namespace {

bool names_birth(std::string name)
{
    for (char &c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name.find("birth") != std::string::npos || name == "born" || name == "dob";
}

const store::AttributeColumn *birth_column(const store::Attributes &a)
{
    if (a.column("age"))
        return nullptr;
    for (const store::AttributeColumn &c : a.columns)
        if (c.type == store::AttributeType::date && names_birth(c.name))
            return &c;
    return nullptr;
}

}  // namespace

std::vector<store::AttributeColumn> judged_columns(const store::Attributes &a)
{
    std::vector<store::AttributeColumn> out = a.columns;
    if (birth_column(a))
        out.push_back({"age", store::AttributeType::number});
    return out;
}

std::map<std::string, std::string> judged_values(const store::Attributes &a, const Session &s)
{
    const auto found = a.of.find(s.participant);
    std::map<std::string, std::string> v = found == a.of.end() ? std::map<std::string, std::string>() : found->second;
    const store::AttributeColumn *birth = birth_column(a);
    if (birth && v.count(birth->name) && s.started.size() >= 10) {
        const std::string &b = v[birth->name], &d = s.started;
        int age = std::stoi(d.substr(0, 4)) - std::stoi(b.substr(0, 4));
        if (d.substr(5, 5) < b.substr(5, 5))
            age--;  // no birthday yet that year
        v["age"] = std::to_string(age);
    }
    return v;
}

int scored_right(const Session &s)
{
    int n = 0;
    for (const Response &r : s.responses)
        n += r.item > training_items && r.right;
    return n;
}

bool is_complete(const Session &s)
{
    return int(s.responses.size()) == s.items;
}

const TestData &chosen_test(const std::vector<TestData> &tests, const std::string &crc)
{
    if (crc.empty() && tests.size() == 1)
        return tests[0];
    if (tests.empty())
        throw Error("the store holds no sessions yet");
    std::string known;
    for (const TestData &t : tests) {
        if (t.archive_crc32 == crc)
            return t;
        known += (known.empty() ? "" : ", ") + t.archive_crc32;
    }
    throw Error((crc.empty() ? std::string("the store holds several tests; name one with --test")
                             : "no test " + crc + " in the store") +
                " (it has " + (known.empty() ? std::string("none") : known) + ")");
}

NormTable build_norms(const std::vector<TestData> &tests, const store::Attributes &a, const NormOptions &o)
{
    const TestData &test = chosen_test(tests, o.test);
    const std::vector<store::AttributeColumn> columns = judged_columns(a);
    std::unique_ptr<Filter> filter;
    if (!o.where.empty())
        filter = std::make_unique<Filter>(o.where, columns);
    NormTable t;
    t.test = test.archive_crc32;
    t.max_score = test.items - training_items;
    t.group = o.where;
    if (t.max_score < 1)
        throw Error("test " + test.archive_crc32 + " has no scored items (only the " + std::to_string(test.items) +
                    " training items): no norms can be made for it");

    std::vector<std::string> labels;
    if (o.bands.empty()) {
        labels.push_back("all");
    } else {
        if (!std::any_of(columns.begin(), columns.end(), [](const store::AttributeColumn &c) {
                return c.name == "age" && c.type == store::AttributeType::number;
            }))
            throw Error("--bands are age bands, but the store knows no age (import a number column age, or a "
                        "birth_date column)");
        size_t from = 0;
        while (from <= o.bands.size()) {
            const size_t comma = std::min(o.bands.find(',', from), o.bands.size());
            labels.push_back(o.bands.substr(from, comma - from));
            from = comma + 1;
        }
    }
    for (const std::string &label : labels) {
        NormBand band;
        band.label = label;
        double lo, hi;
        if (!band_range(label, lo, hi))
            throw Error("--bands: '" + label + "' is not an age range like 18-29");
        std::vector<std::vector<uint8_t>> rows;
        std::vector<int> scores;
        std::set<std::string> seen;
        std::vector<std::vector<double>> times(size_t(test.items));  // per item, for the person page's profile
        for (const Session &s : test.sessions) {
            if (!is_complete(s) || !seen.insert(s.participant).second)
                continue;  // a participant's first complete session only
            const std::map<std::string, std::string> v = judged_values(a, s);
            if (filter && !filter->matches(v))
                continue;
            if (label != "all") {
                const auto age = v.find("age");
                const double years = age == v.end() || !store::is_number_value(age->second)
                                         ? NAN
                                         : std::strtod(age->second.c_str(), nullptr);
                if (!(years >= lo && years < hi))
                    continue;
            }
            std::vector<uint8_t> row;
            for (const Response &r : s.responses) {
                if (r.item > training_items)
                    row.push_back(r.right);
                if (r.rt_ms >= 0 && r.item >= 1 && r.item <= test.items)
                    times[size_t(r.item - 1)].push_back(double(r.rt_ms));
            }
            rows.push_back(std::move(row));
            scores.push_back(scored_right(s));
            const std::string day = s.started.substr(0, 10);
            if (!day.empty() && (band.first_date.empty() || day < band.first_date))
                band.first_date = day;
            if (day > band.last_date)
                band.last_date = day;
        }
        band.people = int(scores.size());
        const std::string who = label == "all" ? std::string("the group") : "band " + label;
        if (band.people == 0)
            throw Error(who + ": no one with a complete session of test " + test.archive_crc32 +
                        (o.where.empty() ? std::string() : " matches --where \"" + o.where + "\""));
        if (band.people < norm_minimum_people && !o.force)
            throw Error(who + ": " + std::to_string(band.people) + " people, fewer than " +
                        std::to_string(norm_minimum_people) + " a norm table needs; give --force to make it "
                        "anyway (the table is then marked as forced)");
        band.forced = band.people < norm_minimum_people;
        band.kr20 = classical_statistics(rows).kr20;
        band.rows = norm_rows(scores, t.max_score);
        if (std::any_of(times.begin(), times.end(), [](const auto &v) { return !v.empty(); }))
            for (const std::vector<double> &v : times)
                band.median_rt_ms.push_back(median(v));
        t.bands.push_back(band);
    }
    return t;
}

}  // namespace report

#include "host/admin_settings.h"

#include "host/little_endian.h"

namespace host {

namespace {

const char *const ask_names[] = {"no", "yes", "required"};

std::string characters(const AdminSettings &s)
{
    std::string c;
    if (s.id_classes & admin_letters)
        c += "A-Z ";
    if (s.id_classes & admin_digits)
        c += "0-9 ";
    c += s.id_marks;
    while (!c.empty() && c.back() == ' ')
        c.pop_back();
    return c;
}

std::string json_string(const std::string &ascii)
{
    std::string s = "\"";
    for (char c : ascii)
        s += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return s + "\"";
}

}  // namespace

std::vector<uint8_t> encode_admin(const AdminSettings &s)
{
    std::vector<uint8_t> out;
    append16(out, admin_size);
    out.push_back(admin_version);
    out.push_back(s.ask_id);
    out.push_back(s.id_length);
    out.push_back(s.id_classes);
    for (int i = 0; i < admin_marks_size; i++)
        out.push_back(uint8_t(s.id_marks[i]));
    out.push_back(s.offer_resume);
    out.push_back(s.show_time);
    append16(out, s.test_minutes);
    append16(out, s.item_seconds);
    return out;
}

std::string admin_fault(int fault)
{
    switch (fault) {
    case settings_bad_length: return "its length is not " + std::to_string(admin_size) + " bytes";
    case settings_bad_version: return "its version is not " + std::to_string(admin_version);
    case settings_bad_ask: return "asking for the ID is neither no, yes nor required";
    case settings_bad_id_length: return "the ID's longest length is not 1 to 32";
    case settings_bad_characters: return std::string("the ID's characters are not letters, digits and marks from ") + admin_marks;
    case settings_allows_nothing: return "the ID may hold no character at all";
    case settings_bad_flag: return "offering to resume or showing the time is neither 0 nor 1";
    case settings_bad_test_limit: return "the test's time limit is over " + std::to_string(admin_test_minutes_max) + " minutes";
    case settings_bad_item_limit: return "an item's time limit is over " + std::to_string(admin_item_seconds_max) + " seconds";
    default: return "it is damaged";
    }
}

std::string admin_summary(const AdminSettings &s)
{
    std::string t = std::string("ask for ID: ") + ask_names[s.ask_id % 3];
    if (s.ask_id)
        t += " (1-" + std::to_string(s.id_length) + " of " + characters(s) + ")";
    t += std::string(", offer resume: ") + (s.offer_resume ? "yes" : "no");
    t += ", test limit: " + (s.test_minutes ? std::to_string(s.test_minutes) + " min" : std::string("none"));
    t += ", item limit: " + (s.item_seconds ? std::to_string(s.item_seconds) + " s" : std::string("none"));
    t += std::string(", show remaining time: ") + (s.show_time ? "yes" : "no");
    return t;
}

std::string admin_json(const AdminSettings &s)
{
    std::string j = "  \"administration\": {\n";
    j += std::string("    \"ask_id\": \"") + ask_names[s.ask_id % 3] + "\",\n";
    j += "    \"id_max_length\": " + std::to_string(s.id_length) + ",\n";
    j += std::string("    \"id_letters\": ") + (s.id_classes & admin_letters ? "true" : "false") + ",\n";
    j += std::string("    \"id_digits\": ") + (s.id_classes & admin_digits ? "true" : "false") + ",\n";
    j += "    \"id_marks\": " + json_string(s.id_marks) + ",\n";
    j += std::string("    \"offer_resume\": ") + (s.offer_resume ? "true" : "false") + ",\n";
    if (s.test_minutes)
        j += "    \"test_minutes\": " + std::to_string(s.test_minutes) + ",\n";
    if (s.item_seconds)
        j += "    \"item_seconds\": " + std::to_string(s.item_seconds) + ",\n";
    j += std::string("    \"show_remaining_time\": ") + (s.show_time ? "true" : "false") + "\n  }";
    return j;
}

}  // namespace host

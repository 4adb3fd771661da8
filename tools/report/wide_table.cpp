#include "tools/report/wide_table.h"

#include "report/csv.h"
#include "report/norm_group.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

namespace report {

const MissingCode missing_codes[3] = {
    {Missing::not_answered, -1, 'a', "not answered"},
    {Missing::not_reached, -2, 'b', "not reached"},
    {Missing::not_recorded, -3, 'c', "not recorded"},
};

namespace {

WideCell number(double v, int decimals = 0)
{
    if (std::isnan(v))
        return {0, {}, Missing::unknown};
    const double scale = std::pow(10.0, decimals);
    return {std::round(v * scale) / scale, {}, Missing::none};
}

WideCell count(long long v)  // negative: not known
{
    return v < 0 ? WideCell{0, {}, Missing::unknown} : WideCell{double(v), {}, Missing::none};
}

WideCell text(const std::string &s)
{
    return {0, s, Missing::none};
}

const Response *answer_to(const Session &s, int item)
{
    const auto at = std::lower_bound(s.responses.begin(), s.responses.end(), item,
                                     [](const Response &r, int i) { return r.item < i; });
    return at != s.responses.end() && at->item == item ? &*at : nullptr;
}

// Why item `item` has no answer: passed over, or never reached.
Missing unanswered(const Session &s, int item)
{
    return !s.responses.empty() && s.responses.back().item > item ? Missing::not_answered : Missing::not_reached;
}

bool is_reserved(const std::string &lower)
{
    // SPSS's reserved words and Stata's (str1...str2045 and strL by pattern)
    static const char *const words[] = {"all",  "and",  "by",   "eq",   "ge",    "gt",    "le",     "lt",
                                        "ne",   "not",  "or",   "to",   "with",  "byte",  "double", "float",
                                        "if",   "in",   "int",  "long", "using", "strl",  "_all",   "_b",
                                        "_coef", "_cons", "_n", "_pi",  "_pred", "_rc",   "_skip"};
    for (const char *w : words)
        if (lower == w)
            return true;
    return lower.size() > 3 && lower.compare(0, 3, "str") == 0 &&
           lower.find_first_not_of("0123456789", 3) == std::string::npos;
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

constexpr size_t name_limit = 32;

}  // namespace

std::string variable_name(const std::string &wanted, std::vector<std::string> &taken)
{
    std::string base;
    for (unsigned char c : wanted) {
        const bool ok = c < 0x80 && (std::isalnum(c) || c == '_');
        if (!ok && !base.empty() && base.back() == '_')
            continue;  // one underscore for a run of other characters
        base += ok ? char(c) : '_';
    }
    while (!base.empty() && base.back() == '_')
        base.pop_back();
    while (!base.empty() && base.front() == '_')
        base.erase(0, 1);
    if (base.empty() || !std::isalpha(static_cast<unsigned char>(base[0])))
        base = "v_" + base;
    if (base == "v_")
        base = "v";
    base = base.substr(0, name_limit);
    if (is_reserved(lower(base)))
        base = "v_" + base.substr(0, name_limit - 2);
    std::string name = base;
    for (int n = 2;; n++) {
        const std::string l = lower(name);
        if (std::none_of(taken.begin(), taken.end(), [&](const std::string &t) { return lower(t) == l; }))
            break;
        const std::string suffix = "_" + std::to_string(n);
        name = base.substr(0, name_limit - suffix.size()) + suffix;
    }
    taken.push_back(name);
    return name;
}

WideTable wide_table(const TestAnalysis &a, const store::Attributes &attributes)
{
    WideTable t;
    t.analysis = &a;
    std::vector<std::string> taken;
    const auto add = [&](const std::string &name, const std::string &label, bool is_text, int decimals,
                         const std::string &meaning, std::function<WideCell(const SessionRow &)> value) {
        WideColumn c;
        c.name = variable_name(name, taken);
        c.label = label;
        c.text = is_text;
        c.decimals = decimals;
        c.meaning = meaning;
        c.value = std::move(value);
        t.columns.push_back(std::move(c));
        return &t.columns.back();
    };
    add("session", "Session ID", true, 0, "16 hex digits, as in the journal's file and sessions.csv",
        [](const SessionRow &r) { return text(r.session->session_id); });
    add("participant", "Participant ID", true, 0, "as entered at the session's start",
        [](const SessionRow &r) { return text(r.session->participant); });

    // the participants' attributes, with the age on the session's day when
    // only a birth date was imported; judged once per session
    auto judged = std::make_shared<std::map<const Session *, std::map<std::string, std::string>>>();
    for (const SessionRow &r : a.sessions)
        (*judged)[r.session] = judged_values(attributes, *r.session);
    for (const store::AttributeColumn &col : judged_columns(attributes)) {
        const bool is_number = col.type == store::AttributeType::number;
        const std::string kind = col.type == store::AttributeType::date ? "a date, YYYY-MM-DD"
                                 : is_number                            ? "a number"
                                                                        : "text";
        const bool derived = !attributes.column(col.name);
        add(col.name, utf8_prefix("Attribute " + col.name, 80), !is_number, 6,
            derived ? "age in whole years on the session's day, from the imported birth date"
                    : "participant attribute \"" + col.name + "\" (participants import), " + kind,
            [judged, name = col.name, is_number](const SessionRow &r) {
                const auto &v = judged->at(r.session);
                const auto at = v.find(name);
                if (at == v.end() || at->second.empty())
                    return WideCell{0, {}, Missing::unknown};
                return is_number ? number(std::strtod(at->second.c_str(), nullptr), 6) : text(at->second);
            });
    }

    add("source", "Where the session came from", true, 0, "journal or result_file (a result file has no times)",
        [](const SessionRow &r) { return text(r.session->source); });
    add("started", "Start (local time)", true, 0, "YYYY-MM-DDThh:mm:ss on the PC's clock; empty for result files",
        [](const SessionRow &r) { return text(r.session->started); });
    add("build", "Runner build", true, 0, "the program build that gave the test",
        [](const SessionRow &r) { return text(r.session->build); });
    add("ended_by", "How the session ended", true, 0,
        "completed, esc, closed; unfinished (a journal without its end); stopped (a result file with items not "
        "answered)",
        [](const SessionRow &r) { return text(r.session->ended_by); });
    add("items", "Items in the test", false, 0, "training items included",
        [](const SessionRow &r) { return count(r.session->items); });
    add("answered", "Items answered", false, 0, "confirmed answers",
        [](const SessionRow &r) { return count(int64_t(r.session->responses.size())); });
    WideColumn *complete = add("complete", "Answered every item", false, 0, "1 every item answered, 0 not",
                               [](const SessionRow &r) { return count(is_complete(*r.session)); });
    complete->value_labels = {{0, "no"}, {1, "yes"}};
    add("score", "Right answers, all items", false, 0, "the result file's + count",
        [](const SessionRow &r) { return count(r.score); });
    add("wrong", "Wrong answers, all items", false, 0, "the result file's - count",
        [](const SessionRow &r) { return count(int64_t(r.session->responses.size()) - r.score); });
    add("score_without_training", "Right answers after the training items", false, 0,
        "the raw score of the norm tables: right answers on items 4 and later",
        [](const SessionRow &r) { return count(r.score_without_training); });
    add("total_ms", "Session time (ms)", false, 0, "from the start to the last journal row; empty for result files",
        [](const SessionRow &r) { return count(r.session->total_ms); });
    add("median_rt_ms", "Median response time (ms)", false, 1,
        "over the session's confirmed answers (the mean of the middle two for an even count)",
        [](const SessionRow &r) { return number(r.median_rt_ms, 1); });
    add("fast_answers", "Fast answers", false, 0, "answers confirmed faster than the fast-answer limit (--fast-ms)",
        [](const SessionRow &r) { return count(r.fast_answers); });
    add("resumes", "Times resumed", false, 0, "how often the session was interrupted and resumed",
        [](const SessionRow &r) { return count(r.session->resumes); });
    add("ability", "Rasch ability (WLE, logits)", false, 4,
        "Warm's weighted likelihood estimate over the scored items answered; empty when the model is not fitted",
        [](const SessionRow &r) { return number(r.ability, 4); });
    add("ability_se", "Standard error of the ability", false, 4, "1 / sqrt(test information at the ability)",
        [](const SessionRow &r) { return number(r.ability_se, 4); });
    add("ability_items", "Items the ability rests on", false, 0,
        "scored items with a difficulty that the session answered; fewer than in a complete session: partial",
        [](const SessionRow &r) { return count(r.ability_items); });

    const int items = a.test->items;
    const int digits = int(std::to_string(std::max(items, 10)).size());
    for (int i = 1; i <= items; i++) {
        std::string number_part = std::to_string(i);
        number_part.insert(0, size_t(digits) - number_part.size(), '0');
        const std::string item = "item" + number_part, about = "Item " + std::to_string(i) +
                                                               (i <= training_items ? " (training)" : "");
        WideColumn *c = add(item + "_answer", about + ": digit answered", false, 0,
                            "the digit confirmed (1-9): the answer cell's number",
                            [i](const SessionRow &r) {
                                const Response *x = answer_to(*r.session, i);
                                if (!x)
                                    return WideCell{0, {}, unanswered(*r.session, i)};
                                return x->digit > 0 ? count(x->digit) : WideCell{0, {}, Missing::not_recorded};
                            });
        c->item_missing = true;
        c = add(item + "_right", about + ": right", false, 0, "1 right, 0 wrong", [i](const SessionRow &r) {
            const Response *x = answer_to(*r.session, i);
            return x ? count(x->right) : WideCell{0, {}, unanswered(*r.session, i)};
        });
        c->item_missing = true;
        c->value_labels = {{0, "wrong"}, {1, "right"}};
        c = add(item + "_rt_ms", about + ": response time (ms)", false, 0,
                "from the item's screen to the confirmed answer, in milliseconds", [i](const SessionRow &r) {
                    const Response *x = answer_to(*r.session, i);
                    if (!x)
                        return WideCell{0, {}, unanswered(*r.session, i)};
                    return x->rt_ms >= 0 ? count(x->rt_ms) : WideCell{0, {}, Missing::not_recorded};
                });
        c->item_missing = true;
    }

    for (size_t c = 0; c < t.columns.size(); c++)
        if (t.columns[c].text)
            for (size_t r = 0; r < t.rows(); r++)
                t.columns[c].text_bytes = std::max(t.columns[c].text_bytes, int(t.cell(c, r).text.size()));
    return t;
}

}  // namespace report

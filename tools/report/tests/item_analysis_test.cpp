// The item analysis at its edges, through the tables and the page a reader
// gets: a test of training items only, one session, items and persons with
// every answer right or wrong, sessions ended early. Each case must give a
// sentence, never a NaN, an infinity or a figure computed from nothing.
#include "store/attributes.h"
#include "report/analysis.h"
#include "report/html_page.h"
#include "tools/report/sim/simulate.h"
#include "report/tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

using namespace report;

namespace {

// A test of `items` items; each session answers items 1..answers[v].size()
// (training items right, then the given marks).
TestData make_test(int items, const std::vector<std::string> &marks)
{
    TestData t;
    t.archive_crc32 = "0badcafe";
    t.items = items;
    for (int i = 1; i <= items; i++)
        t.item_info.push_back(ItemSeen{i, "Item " + std::to_string(i), 0x1FF, 1});
    int n = 0;
    for (const std::string &m : marks) {
        Session s;
        s.session_id = "00000000000000" + std::to_string(10 + n++);
        s.archive_crc32 = t.archive_crc32;
        s.items = items;
        s.participant = "P" + std::to_string(n);
        s.source = "journal";
        s.build = "headless";
        s.started = "2026-12-08T10:00:00";
        for (size_t i = 0; i < m.size(); i++) {
            Response r;
            r.item = int(i) + 1;
            r.right = m[i] == '+';
            r.cell = r.right ? 1 : 2 + int(i % 3);
            r.correct_cell = 1;
            r.rt_ms = 2000;
            s.responses.push_back(r);
        }
        s.ended_by = int(m.size()) == items ? "completed" : "esc";
        t.sessions.push_back(s);
    }
    return t;
}

// Every text a reader sees of this analysis.
std::string everything(const TestAnalysis &a)
{
    const std::vector<TestAnalysis> all{a};
    std::string out = tests_table(all).text() + sessions_table(all).text() + items_table(all).text() +
                      scores_table(all).text() + distractors_table(all).text();
    return out + html_page(all, PageInfo{"results.db", "2026-12-08 10:00", 1000});
}

void expect_no_bad_numbers(const std::string &text)
{
    EXPECT_FALSE(std::regex_search(text, std::regex(R"((^|[^A-Za-z])(nan|inf|-nan|-inf)([^A-Za-z]|$))",
                                                    std::regex::icase)))
        << "a NaN or an infinity reaches the reader";
}

std::vector<std::string> simulated_marks(int sessions, int items, uint64_t seed)
{
    sim::Random rng(seed);
    std::vector<std::string> marks;
    for (int v = 0; v < sessions; v++) {
        const double theta = rng.normal();
        std::string m = "+++";
        for (int i = 3; i < items; i++)
            m += rng.uniform() < 1 / (1 + std::exp(-2.0 + 4.0 * (i - 3) / (items - 4) - theta)) ? '+' : '-';
        marks.push_back(m);
    }
    return marks;
}

}  // namespace

TEST(ItemAnalysis, TrainingItemsOnlyGiveNoReliabilityAndSayWhy)
{
    const TestData t = make_test(3, std::vector<std::string>(50, "+++"));
    const TestAnalysis a = analyse_test(t, {});
    EXPECT_EQ(a.complete_sessions, 50);
    EXPECT_TRUE(std::isnan(a.classical.kr20));
    const std::string text = everything(a);
    EXPECT_EQ(text.find("no complete sessions yet"), std::string::npos);
    EXPECT_NE(text.find("no items after the training items"), std::string::npos);
    EXPECT_EQ(tests_table({a}).text().find("0.0000"), std::string::npos);
    expect_no_bad_numbers(text);
}

TEST(ItemAnalysis, OneSessionFlagsNothingAndSaysWhy)
{
    const TestData t = make_test(10, {"+++-+-+--+"});
    const TestAnalysis a = analyse_test(t, {});
    for (const ItemRow &r : a.items)
        EXPECT_TRUE(r.flags.empty()) << "item " << r.item;
    EXPECT_NE(a.flag_note.find("30 sessions"), std::string::npos);
    const std::string text = everything(a);
    EXPECT_NE(text.find("Items are flagged once 30 sessions have answered them"), std::string::npos);
    EXPECT_NE(text.find("No model checks"), std::string::npos);
    expect_no_bad_numbers(text);
}

TEST(ItemAnalysis, ExtremeItemsAndPersonsAreLeftOutWithASentence)
{
    std::vector<std::string> marks = simulated_marks(200, 16, 3);
    for (std::string &m : marks) {
        m[5] = '+';  // everyone right
        m[9] = '-';  // everyone wrong
    }
    marks[0] = std::string(16, '+');
    marks[1] = "+++" + std::string(13, '-');
    marks[2] = "+++-+";  // stopped early
    const TestData t = make_test(16, marks);  // the analysis points into it
    const TestAnalysis a = analyse_test(t, {});
    ASSERT_TRUE(a.rasch.fitted) << a.rasch.problem;
    EXPECT_TRUE(std::isnan(a.items[5].b));
    EXPECT_TRUE(std::isnan(a.items[9].b));
    EXPECT_EQ(a.items[5].fit.n, 0);
    EXPECT_TRUE(a.andersen.done) << a.andersen.problem;
    EXPECT_EQ(a.andersen.df, 10);  // 11 estimable items
    // all right and all wrong: a finite Warm estimate, no fit
    EXPECT_TRUE(std::isfinite(a.sessions[0].ability));
    EXPECT_TRUE(std::isfinite(a.sessions[1].ability));
    EXPECT_EQ(a.sessions[0].fit.n, 0);
    EXPECT_TRUE(a.sessions[2].partial);
    EXPECT_EQ(a.sessions[2].ability_items, 2);
    EXPECT_FALSE(a.sessions[3].partial);
    ASSERT_FALSE(a.items[5].flags.empty());
    EXPECT_EQ(a.items[5].flags[0], flag_easy);
    const std::string text = everything(a);
    EXPECT_NE(text.find(",partial,"), std::string::npos);  // sessions.csv marks the partial ability
    EXPECT_NE(text.find("its standard error"), std::string::npos);
    expect_no_bad_numbers(text);
    // the score table: Warm finite everywhere, ML only inside
    ASSERT_EQ(a.score_table.size(), 12u);
    EXPECT_TRUE(std::isnan(a.score_table.front().mle.theta));
    EXPECT_TRUE(std::isfinite(a.score_table.front().warm.theta));
    for (size_t r = 1; r + 1 < a.score_table.size(); r++)
        EXPECT_LT(a.score_table[r - 1].warm.theta, a.score_table[r].warm.theta);
}

TEST(ItemAnalysis, MisfittingItemIsFlaggedWithItsReasonInWords)
{
    std::vector<std::string> marks = simulated_marks(400, 20, 5);
    sim::Random rng(9);
    for (std::string &m : marks)
        m[10] = rng.uniform() < 0.5 ? '+' : '-';  // answered at random: unrelated to ability
    const TestData t = make_test(20, marks);
    const TestAnalysis a = analyse_test(t, {});
    ASSERT_TRUE(a.rasch.fitted);
    const ItemRow &odd = a.items[10];
    EXPECT_GT(odd.fit.infit, 1.3);
    bool said = false;
    for (const std::string &f : odd.flags)
        said |= f.rfind(flag_underfit, 0) == 0 && f.find("infit") != std::string::npos;
    EXPECT_TRUE(said);
    EXPECT_GT(a.fit.separation_reliability, 0.5);
}

TEST(ItemAnalysis, DifBetweenTwoBuildsFindsAShiftedItem)
{
    std::vector<std::string> marks = simulated_marks(1200, 20, 7);
    TestData t = make_test(20, marks);
    sim::Random rng(11);
    for (size_t v = 0; v < t.sessions.size(); v++) {
        Session &s = t.sessions[v];
        s.build = v % 2 ? "dos" : "win32";
        if (v % 2 && s.responses[12].right && rng.uniform() < 0.5)
            s.responses[12].right = false;  // much harder on one build
    }
    const TestAnalysis a = analyse_test(t, {});
    EXPECT_EQ(a.dif_groups, "build dos against build win32");
    EXPECT_EQ(a.items[12].dif.ets, EtsClass::c);
    EXPECT_GT(a.items[12].dif.delta, 1.5);  // harder for the first group (dos): favours the second
    int c_items = 0;
    for (const ItemRow &r : a.items)
        c_items += r.dif.ets == EtsClass::c;
    EXPECT_EQ(c_items, 1);
}

TEST(ItemAnalysis, DifAndAndersenByAnAttributeNameTheGroupInTheFlag)
{
    std::vector<std::string> marks = simulated_marks(1200, 20, 7);
    TestData t = make_test(20, marks);
    store::Attributes people;
    people.columns.push_back({"sex", store::AttributeType::text});
    sim::Random rng(11);
    for (size_t v = 0; v < t.sessions.size(); v++) {
        Session &s = t.sessions[v];
        if (v % 10 == 9)
            continue;  // no sex known: in neither group
        people.of[s.participant]["sex"] = v % 2 ? "m" : "f";
        if (v % 2 && s.responses[12].right && rng.uniform() < 0.5)
            s.responses[12].right = false;  // much harder for one group
    }
    AnalysisOptions o;
    o.by = "sex";
    o.attributes = &people;
    const TestAnalysis a = analyse_test(t, o);
    EXPECT_EQ(a.dif_groups, "sex = f against sex = m (120 sessions without a value left out)");
    EXPECT_EQ(a.items[12].dif.ets, EtsClass::c);
    ASSERT_TRUE(a.andersen_by.done) << a.andersen_by.problem;
    EXPECT_LE(a.andersen_by.persons[0] + a.andersen_by.persons[1], 1080);  // those without a value left out
    EXPECT_LT(a.andersen_by.p, 0.001);
    EXPECT_GT(a.items[12].andersen_by_z, 2.58);
    bool dif_said = false, andersen_said = false;
    for (const std::string &f : a.items[12].flags) {
        dif_said |= f.rfind(flag_dif, 0) == 0 && f.find("sex = f solved it more often") != std::string::npos;
        andersen_said |= f.rfind(flag_andersen_by, 0) == 0 && f.find("harder for sex = m") != std::string::npos;
    }
    EXPECT_TRUE(dif_said);
    EXPECT_TRUE(andersen_said);
    // three values: no figures, a sentence
    people.of[t.sessions[0].participant]["sex"] = "x";
    const TestAnalysis three = analyse_test(t, o);
    EXPECT_TRUE(three.dif_groups.empty());
    EXPECT_FALSE(three.andersen_by.done);
    EXPECT_NE(three.dif_problem.find("3 values (f, m, x)"), std::string::npos) << three.dif_problem;
    EXPECT_EQ(three.items[12].dif.ets, EtsClass::none);
}

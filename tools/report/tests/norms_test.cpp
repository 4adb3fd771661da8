// Norm tables: a small group checked by hand, the reference group chosen by
// attributes (a filter, age bands, an age from a birth date), too small a
// group refused or marked, and the table read back and checked.
#include "report/error.h"
#include "report/filter.h"
#include "report/norm_group.h"
#include "report/norms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace report;

namespace {

// Seven items (three training, four scored); one session per score.
TestData scored_sessions(const std::vector<int> &scores)
{
    TestData t;
    t.archive_crc32 = "0badcafe";
    t.items = 7;
    for (size_t v = 0; v < scores.size(); v++) {
        Session s;
        s.participant = "P" + std::to_string(v + 1);
        s.items = 7;
        s.started = "2026-0" + std::to_string(1 + v % 9) + "-15T10:00:00";
        for (int i = 1; i <= 7; i++)
            s.responses.push_back(Response{i, i <= 3 || i - 3 <= scores[v]});
        t.sessions.push_back(s);
    }
    return t;
}

std::string refusal(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.what();
    }
    return "accepted";
}

}  // namespace

// Scores 0, 1, 1, 2, 2, 2, 3, 3, 3, 3 of 4. Mid-point percentile rank
// PR = 100 (below + half of equal) / n; z = the normal quantile of PR,
// clamped to half a person from either end (4 is above everyone: 95 %).
TEST(Norms, ASmallGroupCheckedByHand)
{
    const std::vector<NormRow> r = norm_rows({0, 1, 1, 2, 2, 2, 3, 3, 3, 3}, 4);
    ASSERT_EQ(r.size(), 5u);
    const double pr[] = {5, 20, 45, 80, 100};
    const double z[] = {-1.644854, -0.841621, -0.125661, 0.841621, 1.644854};
    const int t[] = {34, 42, 49, 58, 66}, ss[] = {75, 87, 98, 113, 125}, stanine[] = {2, 3, 5, 7, 9};
    for (int x = 0; x <= 4; x++) {
        SCOPED_TRACE(x);
        EXPECT_DOUBLE_EQ(r[size_t(x)].percentile, pr[x]);
        EXPECT_NEAR(r[size_t(x)].z, z[x], 1e-6);
        EXPECT_EQ(r[size_t(x)].t_score, t[x]);
        EXPECT_EQ(r[size_t(x)].standard_score, ss[x]);
        EXPECT_EQ(r[size_t(x)].stanine, stanine[x]);
    }
    EXPECT_NEAR(normal_quantile(0.975), 1.959964, 1e-6);
    EXPECT_NEAR(normal_quantile(1e-10), -6.361341, 1e-5);
}

TEST(Norms, TheGroupIsChosenByAttributesAndTooSmallAGroupIsMarked)
{
    std::vector<int> scores;
    for (int v = 0; v < 150; v++)
        scores.push_back(v % 5);
    const std::vector<TestData> tests = {scored_sessions(scores)};
    store::Attributes a;
    a.columns = {{"born", store::AttributeType::date}, {"sex", store::AttributeType::text}};
    for (int v = 0; v < 150; v++)  // ages 20, 21, ... 49 on the session's day (before the birthday: one less)
        a.of["P" + std::to_string(v + 1)] = {{"born", std::to_string(2006 - v % 30) + "-06-01"},
                                             {"sex", v % 2 ? "m" : "f"}};

    NormTable all = build_norms(tests, a, {});
    ASSERT_EQ(all.bands.size(), 1u);
    EXPECT_EQ(all.bands[0].people, 150);
    EXPECT_FALSE(all.bands[0].forced);
    EXPECT_EQ(all.max_score, 4);
    EXPECT_EQ(all.bands[0].first_date, "2026-01-15");
    EXPECT_EQ(all.bands[0].last_date, "2026-09-15");
    EXPECT_FALSE(std::isnan(all.bands[0].kr20));

    // ages derived from the birth date: a session in January comes before a June birthday
    EXPECT_EQ(judged_values(a, tests[0].sessions[0]).at("age"), "19");
    EXPECT_EQ(judged_values(a, tests[0].sessions[6]).at("age"), "26");  // born 2000-06-01, tested in July
    EXPECT_NE(refusal([&] { build_norms(tests, a, {"", "age>=18 and age<30", "", false}); }).find("54 people, fewer than 100"),
              std::string::npos);
    NormTable young = build_norms(tests, a, {"", "age>=18 and age<30 and (sex = f or sex = 'm')", "", true});
    EXPECT_TRUE(young.bands[0].forced);
    EXPECT_GT(young.bands[0].people, 0);
    EXPECT_LT(young.bands[0].people, 150);

    NormTable banded = build_norms(tests, a, {"0badcafe", "", "18-29,30-49", true});
    ASSERT_EQ(banded.bands.size(), 2u);
    EXPECT_EQ(banded.bands[0].people + banded.bands[1].people, 150);
    EXPECT_EQ(band_for_age(banded, 29.5), &banded.bands[0]);
    EXPECT_EQ(band_for_age(banded, 50), nullptr);

    // written and read back the same (with the bands' item times); marked forced; a bad copy refused
    banded.bands[1].median_rt_ms = {1500, 2250, NAN, 3000, 4125.5, 900, 800};
    const std::string csv = norm_table_csv(banded);
    EXPECT_NE(csv.find("\r\n#item_times,30-49,1500,2250,,3000,4126,900,800\r\n"), std::string::npos);
    const NormTable back = read_norm_table("n.csv", csv);
    ASSERT_EQ(back.bands.size(), 2u);
    EXPECT_EQ(norm_table_csv(back), csv);
    EXPECT_TRUE(back.bands[0].median_rt_ms.empty());
    ASSERT_EQ(back.bands[1].median_rt_ms.size(), 7u);
    EXPECT_TRUE(std::isnan(back.bands[1].median_rt_ms[2]));
    std::string twice = csv;
    twice.insert(twice.find("band,raw_score"), "#item_times,30-49,1\r\n");
    EXPECT_NE(refusal([&] { read_norm_table("n.csv", twice); }).find("has them already"), std::string::npos);
    EXPECT_NE(csv.find("forced,yes"), std::string::npos);
    std::string unmarked = csv;
    unmarked.replace(unmarked.find("forced,yes"), 10, "forced,no");
    EXPECT_NE(refusal([&] { read_norm_table("n.csv", unmarked); }).find("not marked as forced"), std::string::npos);
    std::string cut = csv.substr(0, csv.rfind("30-49,4,"));
    EXPECT_NE(refusal([&] { read_norm_table("n.csv", cut); }).find("band 30-49 has 4 rows"), std::string::npos);
    EXPECT_NE(refusal([&] { read_norm_table("n.csv", "raw,pr\n1,2\n"); }).find("n.csv:1: not a norm table"),
              std::string::npos);
}

TEST(Norms, TheFilterIsASmallLanguageNeverSql)
{
    const std::vector<store::AttributeColumn> c = {{"age", store::AttributeType::number},
                                                   {"group", store::AttributeType::text},
                                                   {"tested", store::AttributeType::date}};
    const Filter f("age >= 18 and (group = 'B 2' or tested < 2026-03-01)", c);
    EXPECT_TRUE(f.matches({{"age", "18"}, {"group", "B 2"}}));
    EXPECT_TRUE(f.matches({{"age", "40.5"}, {"tested", "2026-02-28"}}));
    EXPECT_FALSE(f.matches({{"age", "17"}, {"group", "B 2"}}));
    EXPECT_FALSE(f.matches({{"group", "B 2"}}));  // no age: not in the group
    const auto error = [&](const std::string &text) { return refusal([&] { Filter(text, c); }); };
    EXPECT_NE(error("school = 3").find("no attribute school in the store (it has age, group, tested)"),
              std::string::npos);
    EXPECT_NE(error("age >= 18; DROP TABLE sessions").find("'18;' is not one"), std::string::npos);
    EXPECT_NE(error("age >= 18 DROP TABLE sessions").find("'DROP' where and, or or the end was expected"),
              std::string::npos);
    EXPECT_NE(error("age >= x").find("age holds numbers; 'x' is not one"), std::string::npos);
    EXPECT_NE(error("(age > 3").find("without its ')'"), std::string::npos);
}

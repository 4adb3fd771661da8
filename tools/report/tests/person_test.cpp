// The person page from the command line: a complete, an extreme, an
// unfinished and a resumed session, a person outside every norm band; the
// page always says why a figure is missing and never shows NaN.
#include "tools/report/tests/report_support.h"

using namespace report_test;

namespace {

const std::string tool = REPORT_BINARY;

class PersonPage : public Scratch {};

}  // namespace

TEST_F(PersonPage, EveryKindOfSessionGetsAPageWithSentencesNotNaN)
{
    const std::string db = new_store(path("r.db"));
    const report::sim::SimTest t = small_test();
    // right digits 5 1 9 2 2 7 (item 5 has fewer cells); a wrong one is 3
    write_file(path("j/S0000001.CSV"), report::sim::write_journal(t, plan("00000000000000a1", "P1", {5, 1, 9, 2, 2, 7})));
    write_file(path("j/S0000002.CSV"), report::sim::write_journal(t, plan("00000000000000a2", "P2", {5, 1, 9, 3}, "esc")));
    report::sim::SessionPlan resumed = plan("00000000000000a3", "P3", {5, 1, 9, 2, 3, 7});
    resumed.resume_after = 4;
    write_file(path("j/S0000003.CSV"), report::sim::write_journal(t, resumed));
    write_file(path("j/S0000004.CSV"), report::sim::write_journal(t, plan("00000000000000a4", "P4", {5, 1, 9, 3, 2, 7})));
    write_file(path("people.csv"), "id,age\nP1,20\nP2,21\nP3,22\nP4,80\n");
    const std::string store = quoted(db);
    ASSERT_EQ(run(tool + " add " + store + " " + quoted(path("j")) + " --quiet").status, 0);
    const Ran imported = run(tool + " participants import " + store + " " + quoted(path("people.csv")));
    ASSERT_EQ(imported.status, 0) << imported.out;
    EXPECT_NE(imported.out.find("age (number)"), std::string::npos);
    const std::string norms = quoted(path("norms.csv"));
    const Ran small = run(tool + " norms build " + store + " --bands 18-29 -o " + norms);
    EXPECT_EQ(small.status, 1);
    EXPECT_NE(small.out.find("band 18-29: 2 people, fewer than 100"), std::string::npos) << small.out;
    ASSERT_EQ(run(tool + " norms build " + store + " --bands 18-29 --force -o " + norms).status, 0);

    const auto page = [&](const std::string &who) {
        const Ran r = run(tool + " person " + store + " --participant " + who + " --norms " + norms + " -o " +
                          quoted(path(who + ".html")));
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string html = read_file(path(who + ".html"));
        for (const char *bad : {"NaN", "nan", "inf<", "-inf", "</svg></svg>"})
            EXPECT_EQ(html.find(bad), std::string::npos) << who << " shows " << bad;
        return html;
    };
    const std::string p1 = page("P1"), p2 = page("P2"), p3 = page("P3"), p4 = page("P4");
    EXPECT_NE(p1.find("percentile rank"), std::string::npos);
    EXPECT_NE(p1.find("no bands around the estimated true score"), std::string::npos);  // 2 people: no KR-20
    EXPECT_NE(p1.find("only 2 people"), std::string::npos);          // the forced band says so
    EXPECT_NE(p1.find("ability (WLE, logits)"), std::string::npos);  // all right: still a finite ability
    EXPECT_NE(p2.find("The session is unfinished: 4 of 6 items"), std::string::npos);
    EXPECT_NE(p2.find("Norms hold for the whole test only"), std::string::npos);
    EXPECT_NE(p3.find("interrupted and resumed 1 time"), std::string::npos);
    EXPECT_NE(p4.find("was 80 years old on the day of the session, which lies outside every age band"),
              std::string::npos);
    EXPECT_NE(p4.find("<title>Participant P4</title>"), std::string::npos);

    const Ran nobody = run(tool + " person " + store + " --participant P9 -o " + quoted(path("P9.html")));
    EXPECT_EQ(nobody.status, 1);
    EXPECT_NE(nobody.out.find("no session of participant P9"), std::string::npos);
}

// The exports' column names as the statistics packages take them, the wide
// table's missing values told apart, and the kept calibration read back to
// the same doubles. The files themselves are read back in R (stage 49).
#include "report/calibration.h"
#include "report/csv.h"
#include "tools/report/wide_table.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace report;

TEST(Export, NamesAreValidUniqueAndShort)
{
    std::vector<std::string> taken;
    EXPECT_EQ(variable_name("School year", taken), "School_year");
    EXPECT_EQ(variable_name("school-year", taken), "school_year_2");  // case does not tell names apart
    EXPECT_EQ(variable_name("by", taken), "v_by");                     // a reserved word
    EXPECT_EQ(variable_name("str12", taken), "v_str12");
    EXPECT_EQ(variable_name("3rd try", taken), "v_3rd_try");
    EXPECT_EQ(variable_name("возраст", taken), "v");
    EXPECT_EQ(variable_name("класс", taken), "v_2");
    const std::string longest(40, 'a');
    EXPECT_EQ(variable_name(longest, taken), std::string(32, 'a'));
    EXPECT_EQ(variable_name(longest, taken), std::string(30, 'a') + "_2");
    for (const std::string &n : taken)
        EXPECT_LE(n.size(), 32u) << n;
}

TEST(Export, SpreadsheetFormulasAndUtf8Cuts)
{
    EXPECT_EQ(spreadsheet_safe("=SUM(A1)"), "'=SUM(A1)");
    EXPECT_EQ(spreadsheet_safe("-7 days"), "'-7 days");
    EXPECT_EQ(spreadsheet_safe("@home"), "'@home");
    EXPECT_EQ(spreadsheet_safe("Школа"), "Школа");
    EXPECT_EQ(utf8_prefix("Школа", 3), "Ш");  // not half a letter
}

TEST(Export, ItemsNotAnsweredNotReachedNotRecorded)
{
    TestData t;
    t.archive_crc32 = "0badcafe";
    t.items = 6;
    t.item_info.resize(6);
    Session s;
    s.participant = "P1";
    s.items = 6;
    s.source = "journal";
    s.responses = {Response{1, true, 2, 0, 0, 1500}, Response{2, true, 3, 0, 0, 1400},
                   Response{4, false, 0, 0, 0, -1}};  // item 3 passed over; 4 without digit or time
    t.sessions.push_back(s);
    const TestAnalysis a = analyse_test(t, AnalysisOptions{});
    const WideTable w = wide_table(a, store::Attributes{});
    const auto cell = [&](const std::string &name) {
        for (size_t c = 0; c < w.columns.size(); c++)
            if (w.columns[c].name == name)
                return w.cell(c, 0);
        ADD_FAILURE() << "no column " << name;
        return WideCell{};
    };
    EXPECT_EQ(cell("item01_answer").number, 2);
    EXPECT_EQ(cell("item02_rt_ms").number, 1400);
    EXPECT_EQ(cell("item03_right").missing, Missing::not_answered);
    EXPECT_EQ(cell("item04_right").number, 0);
    EXPECT_EQ(cell("item04_answer").missing, Missing::not_recorded);
    EXPECT_EQ(cell("item04_rt_ms").missing, Missing::not_recorded);
    EXPECT_EQ(cell("item05_right").missing, Missing::not_reached);
    EXPECT_EQ(cell("complete").number, 0);
}

TEST(Export, CalibrationReadsBackBitForBit)
{
    Calibration c;
    c.fitted = true;
    c.b = {-1.0 / 3, NAN, 2.5e-17};
    c.median_rt = {1500, NAN, 2250.5, 1e6, 3, 4};
    Calibration back;
    ASSERT_TRUE(read_calibration(calibration_text(c), 6, back));
    EXPECT_TRUE(back.fitted);
    EXPECT_EQ(back.b[0], c.b[0]);
    EXPECT_TRUE(std::isnan(back.b[1]));
    EXPECT_EQ(back.b[2], c.b[2]);
    EXPECT_EQ(back.median_rt[2], 2250.5);
    EXPECT_FALSE(read_calibration(calibration_text(c), 7, back));  // another item count
    EXPECT_FALSE(read_calibration("calibration 1 6 3 1\n\nb 1 2\n", 6, back));  // cut short
}

// check reads each item's pictures against its record: ink where the person
// would see something the author did not mean, blank or duplicate answers.
// Every case names the item, the cell and the pixels, at the picture file.
#include "tools/wdl/commands.h"
#include "tools/wdl/picture_check.h"
#include "tools/wdl/tests/sample_source.h"

#include <gtest/gtest.h>

using namespace wdl_test;

namespace {

#define EXPECT_HAS(haystack, needle) EXPECT_NE((haystack).find(needle), std::string::npos) << (haystack)

// The sample source of four items: T01 all nine answers, answer 1, empty
// cell 1; T02 cells 1, 5, 9, answer 2, empty cell 5; T03 all nine, answer
// 3, empty cell 9; T04 cells 1, 5, 9, answer 1, empty cell 4.
struct Pictures : ::testing::Test {
    TempDir dir;
    void SetUp() override { write_sample_source(dir.path, 4); }

    std::string file(const std::string &name) const { return dir / ("pictures/" + name + ".png"); }
    // Changes a picture of the source in place.
    template <class Edit>
    void edit(const std::string &name, Edit fn)
    {
        wdl::Picture p = wdl::read_png(file(name), 352, 190);
        fn(p);
        wdl::write_png(file(name), p);
    }
    static void ink(wdl::Picture &p, int x0, int y0, int x1, int y1, bool black = true)
    {
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++)
                p.white[size_t(y) * 352 + size_t(x)] = black ? 0 : 1;
    }
    // Cell c's inside (all but its 3-pixel border) copied from cell `from`.
    static void copy_cell(const wdl::Picture &src, int from, wdl::Picture &dst, int c)
    {
        for (int y = 3; y < 47; y++)
            for (int x = 3; x < 109; x++)
                dst.white[size_t(70 * (c / 3) + y) * 352 + size_t(120 * (c % 3) + x)] =
                    src.white[size_t(70 * (from / 3) + y) * 352 + size_t(120 * (from % 3) + x)];
    }
    std::string report()
    {
        wdl::Diagnostics found;
        wdl::check_source(dir.path, wdl::TextOptions(), found);
        std::string s;
        for (const auto &d : found.all())
            s += wdl::format(d) + "\n";
        return s;
    }
};

TEST_F(Pictures, SoundItemsAndFramesOfAnyWidthPass)
{
    // frames drawn thicker, inside the cell and up to 2 pixels outside it
    edit("T011", [](wdl::Picture &p) {
        ink(p, 118, 68, 233, 70);
        ink(p, 118, 68, 122, 121);
    });
    EXPECT_EQ(report(), "");
}

TEST_F(Pictures, InkInTheEmptyCell)
{
    edit("T010", [](wdl::Picture &p) { ink(p, 40, 20, 50, 30); });
    EXPECT_HAS(report(), file("T010") + ": warning: item 1 (T01): problem picture T010: the empty cell 1 has ink at "
                                        "x 40-50, y 20-30; the person sees it until an answer is tried there");
}

TEST_F(Pictures, EmptyCellShowingAnAnswer)
{
    const wdl::Picture answers = wdl::read_png(file("T011"), 352, 190);
    edit("T010", [&](wdl::Picture &p) { copy_cell(answers, 0, p, 0); });
    EXPECT_HAS(report(), file("T010") + ": error: item 1 (T01): problem picture T010: the empty cell 1 has ink at "
                                        "x 11-99, y 9-39: it already shows the right answer, answer cell 1 (digit 1)");
}

TEST_F(Pictures, PresentAnswerCellsMustHoldSomething)
{
    edit("T021", [](wdl::Picture &p) { ink(p, 123, 73, 228, 116, false); });  // cell 5, the right answer
    edit("T031", [](wdl::Picture &p) { ink(p, 3, 143, 108, 186, false); });   // cell 7
    const std::string r = report();
    EXPECT_HAS(r, file("T021") + ": error: item 2 (T02): answer picture T021: answer cell 5 (digit 2), the right "
                                 "answer, is blank inside its frame; the person sees the number 2 under an empty cell");
    EXPECT_HAS(r, file("T031") + ": error: item 3 (T03): answer picture T031: answer cell 7 (digit 7) is blank");
}

TEST_F(Pictures, InkInAnAbsentAnswerCell)
{
    edit("T041", [](wdl::Picture &p) { ink(p, 130, 10, 131, 11); });  // cell 2 of cells 1, 5, 9
    EXPECT_HAS(report(), file("T041") + ": error: item 4 (T04): answer picture T041: answer cell 2 is not among the "
                                        "item's cells but has ink at x 130-131, y 10-11; it is shown without a number "
                                        "and cannot be chosen");
}

TEST_F(Pictures, InkOutsideTheCells)
{
    edit("T030", [](wdl::Picture &p) { ink(p, 114, 10, 117, 12); });
    edit("T031", [](wdl::Picture &p) {
        ink(p, 50, 56, 60, 58);   // under answer cell 1, where its number goes
        ink(p, 300, 60, 300, 60);
        ink(p, 340, 188, 351, 189);  // below the last row: counted in its frame band
    });
    const std::string r = report();
    EXPECT_HAS(r, file("T030") + ": warning: item 3 (T03): problem picture T030: ink outside the cells at x 114-117, "
                                 "y 10-12 (12 pixels); only a frame may reach 2 pixels past a cell's edge\n");
    EXPECT_HAS(r, "answer picture T031: ink outside the cells at x 50-60, y 56-58 (33 pixels); only a frame may reach "
                  "2 pixels past a cell's edge; the answer numbers are drawn over part of it\n");
    EXPECT_HAS(r, "answer picture T031: ink outside the cells at x 300, y 60 (1 pixels)");
    EXPECT_EQ(r.find("y 188"), std::string::npos);
}

TEST_F(Pictures, IdenticalAnswers)
{
    edit("T011", [](wdl::Picture &p) {
        copy_cell(p, 1, p, 2);  // two wrong answers alike
        copy_cell(p, 0, p, 8);  // the right answer twice
    });
    const std::string r = report();
    EXPECT_HAS(r, file("T011") + ": warning: item 1 (T01): answer picture T011: answer cell 2 (digit 2) and answer "
                                 "cell 3 (digit 3) are identical\n");
    EXPECT_HAS(r, file("T011") + ": error: item 1 (T01): answer picture T011: the right answer, answer cell 1 (digit "
                                 "1), looks exactly like answer cell 9 (digit 9); the person cannot tell them apart\n");
}

TEST_F(Pictures, ArchiveCheckFindsTheSameAndStrictFailsOnWarnings)
{
    edit("T010", [](wdl::Picture &p) { ink(p, 40, 20, 50, 30); });
    wdl::write_file_atomic(dir / "A.WDL", build(dir.path));
    std::ostringstream out;
    EXPECT_TRUE(wdl::check_command(dir / "A.WDL", false, wdl::TextOptions(), out));
    EXPECT_FALSE(wdl::check_command(dir / "A.WDL", true, wdl::TextOptions(), out));
    EXPECT_FALSE(wdl::check_command(dir.path, true, wdl::TextOptions(), out));
    EXPECT_HAS(out.str(), dir / "A.WDL: warning: item 1 (T01): problem picture T010: the empty cell 1 has ink");
    EXPECT_HAS(out.str(), dir / "A.WDL: 0 error(s), 1 warning(s)");
}

}  // namespace

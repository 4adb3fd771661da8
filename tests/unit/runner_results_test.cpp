// The result file: layout byte for byte, marks, totals, code page.
#include "archive/archive.h"
#include "runner_support.h"

using namespace runner_support;

namespace {

class Results : public ScratchDir {
protected:
    // Loads the run state the way the driver does, without running a test.
    void load(const std::vector<Item> &items, const std::vector<std::string> &messages)
    {
        load_bytes(table_bytes(items), messages_bytes(messages));
    }
    void load_bytes(const Bytes &items, const Bytes &messages)
    {
        write_archive({plain("TESTINFO", items), plain("MESSAGES", messages)});
        run.items = testinfo_load(resource_items);
        run.messages = static_cast<uint8_t *>(res_load_text(resource_messages, &run.messages_length));
        ASSERT_NE(run.items, nullptr);
        run.answer_log = static_cast<uint8_t *>(mem_alloc(run.items->count));
    }
    void TearDown() override
    {
        testinfo_free(run.items);
        mem_free(run.messages);
        mem_free(run.answer_log);
        run = RunState{};
        ScratchDir::TearDown();
    }
    void write_results_after(int answered)
    {
        run.current_item = answered;
        write_results(&run);
    }
    std::string result() const
    {
        Bytes r = read_file("RESULT-W.TXT");
        return std::string(r.begin(), r.end());
    }
    RunState run{};
};

TEST_F(Results, FourItemsThreeAnswered)
{
    load({{"A", 1, 0, "one"}, {"B", 1, 0, "two"}, {"C", 1, 0, "three"}, {"D", 1, 0, "four"}},
         {"m0", "m1", "m2", "Heading", "Total"});
    run.answer_log[0] = 1;
    run.answer_log[2] = 1;
    write_results_after(3);
    EXPECT_EQ(result(), "Heading\r\n\r\n+ | one\r\n- | two\r\n+ | three\r\n  | four\r\n\r\nTotal 2(+) 1(-) (3/4)\r\n");
}

TEST_F(Results, AnsweredCountIsCappedAndZeroWritesNothing)
{
    load({{"A", 1, 0, "x"}}, {});
    write_results_after(0);
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());
    write_results_after(-5);
    EXPECT_TRUE(read_file("RESULT-W.TXT").empty());
    run.answer_log[0] = 1;
    write_results_after(7);
    // no messages 3 and 4: their texts are left out
    EXPECT_EQ(result(), "\r\n\r\n+ | x\r\n\r\n 1(+) 0(-) (1/1)\r\n");
}

TEST_F(Results, ResultFileIsReplaced)
{
    write_file("RESULT-W.TXT", Bytes(500, 'z'));
    load({{"A", 1, 0, ""}}, {"", "", "", "H", "T"});
    write_results_after(1);
    EXPECT_EQ(result(), "H\r\n\r\n- | \r\n\r\nT 0(+) 1(-) (1/1)\r\n");
}

TEST_F(Results, TextsAreConvertedToWindows1251)
{
    // "Тест" in CP866, 0xF1 (ё), box drawing 0xB0 and 0xDB, 0xF2..0xFF
    load({{"A", 1, 0, "\x92\xa5\xe1\xe2 \xf1\xf0\xb0\xdb\xf2\xff"}}, {"", "", "", "\x8f\xa0", "\xe0"});
    run.answer_log[0] = 1;
    write_results_after(1);
    EXPECT_EQ(result(), "\xcf\xe0\r\n\r\n+ | \xd2\xe5\xf1\xf2 \xb8\xa8\xb0\xdb\xf2\xff\r\n\r\n\xf0 1(+) 0(-) (1/1)\r\n");
}

TEST_F(Results, TextsWithoutTheirZeroByte)
{
    // the item text "abc" and the heading "RES" (the last message) are
    // stored without their zero bytes
    load_bytes({1, 0, 1, 3, 0xFF, 0x11, 'A', 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'},
               {4, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 3, 0, 'R', 'E', 'S'});
    run.answer_log[0] = 1;
    write_results_after(1);
    EXPECT_EQ(result(), "RES\r\n\r\n+ | ab\r\n\r\n 1(+) 0(-) (1/1)\r\n");
}

TEST(Codepage, Cp866ToCp1251Table)
{
    for (int c = 0; c < 256; c++) {
        int expect = c;
        if (c >= 0x80 && c <= 0xAF)
            expect = c + 0x40;
        else if (c >= 0xE0 && c <= 0xEF)
            expect = c + 0x10;
        else if (c == 0xF0)
            expect = 0xA8;
        else if (c == 0xF1)
            expect = 0xB8;
        EXPECT_EQ(cp866_to_cp1251(uint8_t(c)), expect) << c;
    }
}

}  // namespace

// The program's options: the one portable parser, and the Linux long forms
// joined into its syntax.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "posix/arguments.h"
#include "runner/command_line.h"

namespace {

struct Parsed {
    int verdict;
    CommandLine line;
};

Parsed parse(const char *text)
{
    Parsed p{0, {}};
    p.verdict = parse_command_line(text, &p.line);
    return p;
}

TEST(CommandLine, OptionsInAnyCaseAndOrder)
{
    Parsed p = parse("");
    EXPECT_EQ(p.verdict, command_ok);
    EXPECT_EQ(p.line.resume, resume_none);
    EXPECT_STREQ(p.line.participant, "");

    p = parse("  /p:P017\t/r \r");  // a DOS command tail ends with CR
    EXPECT_EQ(p.verdict, command_ok);
    EXPECT_STREQ(p.line.participant, "P017");
    EXPECT_EQ(p.line.resume, resume_latest);

    p = parse("/R:S0000003.CSV /P:x");
    EXPECT_EQ(p.verdict, command_ok);
    EXPECT_EQ(p.line.resume, resume_named);
    EXPECT_STREQ(p.line.journal, "S0000003.CSV");
    EXPECT_STREQ(p.line.participant, "x");

    EXPECT_EQ(parse("/P:a /?").verdict, command_usage);
}

TEST(CommandLine, QuotesGroupAndDoubledQuotesStandForOne)
{
    Parsed p = parse("\"/R:my folder/S0000001.CSV\" /P:\"a\"\"b\"");
    EXPECT_EQ(p.verdict, command_ok);
    EXPECT_STREQ(p.line.journal, "my folder/S0000001.CSV");
    EXPECT_STREQ(p.line.participant, "a\"b");
}

TEST(CommandLine, ParticipantIdsAreOneToThirtyTwoPrintableCharacters)
{
    const std::string longest(32, '~');
    EXPECT_EQ(parse(("/P:" + longest).c_str()).verdict, command_ok);
    EXPECT_EQ(parse("/P:!,\"\"").verdict, command_ok);
    for (const char *bad : {"/P:", "/P:\"a b\"", "/P:\x7f", "/P:\xe9t\xe9"}) {
        Parsed p = parse(bad);
        EXPECT_EQ(p.verdict, command_refused) << bad;
        EXPECT_STREQ(p.line.participant, "") << bad;
    }
    EXPECT_EQ(parse(("/P:" + longest + "~").c_str()).verdict, command_refused);
}

TEST(CommandLine, AnythingElseIsRefusedAndNamed)
{
    for (const char *bad : {"/X", "/R:", "-P:a", "P017", "/PP:1", "/?x", "\"\""}) {
        Parsed p = parse(bad);
        EXPECT_EQ(p.verdict, command_refused) << bad;
    }
    Parsed p = parse("/P:a /Q:this-argument-is-much-too-long-to-show-whole");
    EXPECT_EQ(p.verdict, command_refused);
    EXPECT_STREQ(p.line.refused, "/Q:this-argument-is-much-too-long-to...");  // cut, and says so
    EXPECT_STREQ(parse("/P:123456789012345678901234567890123").line.refused, "/P:123456789012345678901234567890123");
    // a path that fills the journal field is refused, one shorter is taken
    EXPECT_EQ(parse(("/R:" + std::string(journal_path_size, 'a')).c_str()).verdict, command_refused);
    EXPECT_EQ(parse(("/R:" + std::string(journal_path_size - 1, 'a')).c_str()).verdict, command_ok);
}

// Leaves bytes other than zero where the parser's word buffer will lie, so
// that a look past the end of a short argument runs off the buffer (which
// AddressSanitizer and valgrind report) instead of stopping at a stale zero.
__attribute__((noinline)) void fill_stack_with_ink()
{
    volatile char stale[4096];
    for (int i = 0; i < 4096; i++)
        stale[i] = 'x';
    (void)stale[0];
}

TEST(CommandLine, ShortArgumentsAreReadOnlyToTheirEnd)
{
    for (const char *text : {"/R", "/r", "x", "/", "/?", "/P", "ab", "/:"}) {
        fill_stack_with_ink();
        Parsed p = parse(text);
        const bool usage = std::string(text) == "/?", latest = text[1] == 'R' || text[1] == 'r';
        EXPECT_EQ(p.verdict, usage ? command_usage : latest ? command_ok : command_refused) << text;
        EXPECT_EQ(p.line.resume, latest ? resume_latest : resume_none) << text;
    }
}

std::string join(std::vector<const char *> args)
{
    args.insert(args.begin(), "meridoka");
    return join_arguments(int(args.size()), args.data());
}

TEST(CommandLine, LongFormsBecomeTheProgramsOptions)
{
    EXPECT_EQ(join({"--participant", "P017", "--resume"}), "/P:P017 /R");
    EXPECT_EQ(join({"--participant=P 1", "--resume=a b.csv"}), "\"/P:P 1\" \"/R:a b.csv\"");
    EXPECT_EQ(join({"--help"}), "/?");
    EXPECT_EQ(join({"--version", "/p:x", ""}), "/? /p:x \"\"");
    EXPECT_EQ(join({"--participant"}), "--participant");  // no value: refused by the parser
}

// Whatever the argument list, the parser gets back exactly its arguments.
TEST(CommandLine, JoinedArgumentsParseBackWhole)
{
    for (const char *id : {"a\"b", "\"", "x,y", "P\"\"Q"}) {
        Parsed p = parse(join({"--participant", id}).c_str());
        EXPECT_EQ(p.verdict, command_ok) << id;
        EXPECT_STREQ(p.line.participant, id);
    }
    Parsed p = parse(join({"--resume=dir with \"quotes\"/S0000001.CSV"}).c_str());
    EXPECT_STREQ(p.line.journal, "dir with \"quotes\"/S0000001.CSV");
}

}  // namespace

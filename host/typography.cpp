#include "host/typography.h"

namespace host {

namespace {

struct Entry {
    char32_t c;
    const char *text;
};

// What word processors put in place of plain punctuation.
constexpr Entry typographic[] = {
    {0x2010, "-"},  {0x2011, "-"},   {0x2012, "-"},  {0x2013, "-"},  {0x2014, "-"},  {0x2015, "-"},
    {0x2212, "-"},  {0x00AB, "\""},  {0x00BB, "\""}, {0x201C, "\""}, {0x201D, "\""}, {0x201E, "\""},
    {0x201F, "\""}, {0x2033, "\""},  {0x2018, "'"},  {0x2019, "'"},  {0x201A, "'"},  {0x201B, "'"},
    {0x2032, "'"},  {0x2039, "'"},   {0x203A, "'"},  {0x2026, "..."}, {0x00A0, " "}, {0x202F, " "},
    {0x2000, " "},  {0x2001, " "},   {0x2002, " "},  {0x2003, " "},  {0x2004, " "},  {0x2005, " "},
    {0x2006, " "},  {0x2007, " "},   {0x2008, " "},  {0x2009, " "},  {0x200A, " "},  {0x00AD, ""},
    {0x200B, ""},   {0x200C, ""},    {0x200D, ""},   {0x2060, ""},   {0xFEFF, ""}};

// Suggestions the author decides on.
constexpr Entry suggested[] = {
    {0x20AC, "EUR"}, {0x20BD, "руб."}, {0x00A3, "GBP"}, {0x2122, "(TM)"}, {0x00A9, "(c)"}, {0x00AE, "(R)"},
    {0x00D7, "x"},   {0x00F7, "/"},    {0x00B1, "+/-"}, {0x2264, "<="},   {0x2265, ">="},  {0x2260, "<>"},
    {0x2248, "~"},   {0x0456, "i"},    {0x0406, "I"},   {0x0491, "г"},    {0x0490, "Г"},   {0x00B2, "2"},
    {0x00B3, "3"},   {0x00B9, "1"},    {0x00BD, "1/2"}, {0x00BC, "1/4"},  {0x00BE, "3/4"}, {0x00DF, "ss"},
    {0x00C6, "AE"},  {0x00E6, "ae"},   {0x0152, "OE"},  {0x0153, "oe"}};

// Latin-1 letters U+00C0..U+00FF without their accents ('?': no single letter).
const char latin1_letters[] = "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY??aaaaaa?ceeeeiiiidnooooo?ouuuuy?y";

// Nothing below U+00A0 has a replacement, so most characters skip the scans.
constexpr char32_t first_replaced = 0xA0;

template <size_t N>
constexpr bool all_from_first_replaced(const Entry (&table)[N])
{
    for (const Entry &e : table)
        if (e.c < first_replaced)
            return false;
    return true;
}
static_assert(all_from_first_replaced(typographic) && all_from_first_replaced(suggested));

}  // namespace

Replacement replacement_for(char32_t c)
{
    if (c < first_replaced)
        return {};
    for (const Entry &e : typographic)
        if (e.c == c)
            return {true, true, e.text};
    for (const Entry &e : suggested)
        if (e.c == c)
            return {true, false, e.text};
    if (c >= 0xC0 && c <= 0xFF && latin1_letters[c - 0xC0] != '?')
        return {true, false, std::string(1, latin1_letters[c - 0xC0])};
    return {};
}

}  // namespace host

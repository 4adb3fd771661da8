// The SDL key to PC scan code map.
#include "sdl/scancodes.h"

#include <gtest/gtest.h>

#include <set>

TEST(Scancodes, DigitRowGivesTheDigitCodes)
{
    const SDL_Scancode digits[] = {SDL_SCANCODE_1, SDL_SCANCODE_2, SDL_SCANCODE_3, SDL_SCANCODE_4, SDL_SCANCODE_5,
                                   SDL_SCANCODE_6, SDL_SCANCODE_7, SDL_SCANCODE_8, SDL_SCANCODE_9};
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(pc_scan_code(digits[i]), i + 2) << "digit " << i + 1;
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_0), 11);
}

TEST(Scancodes, EscEnterAndF12)
{
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_RETURN), 28);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_ENTER), 28);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F12), 88);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F11), 87);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F1), 59);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F10), 68);
}

TEST(Scancodes, KeypadDigitsAreNotDigits)
{
    const SDL_Scancode pad[] = {SDL_SCANCODE_KP_0, SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_2, SDL_SCANCODE_KP_3,
                                SDL_SCANCODE_KP_4, SDL_SCANCODE_KP_5, SDL_SCANCODE_KP_6, SDL_SCANCODE_KP_7,
                                SDL_SCANCODE_KP_8, SDL_SCANCODE_KP_9};
    const int expected[] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
    for (int i = 0; i < 10; i++) {
        EXPECT_EQ(pc_scan_code(pad[i]), expected[i]) << "keypad " << i;
        EXPECT_FALSE(pc_scan_code(pad[i]) >= 2 && pc_scan_code(pad[i]) <= 10);
    }
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_PERIOD), 83);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_PLUS), 78);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_MINUS), 74);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_MULTIPLY), 55);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_NUMLOCKCLEAR), 69);
}

TEST(Scancodes, MainBlockRows)
{
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_Q), 16);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_P), 25);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_A), 30);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_L), 38);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_Z), 44);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_M), 50);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_SPACE), 57);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_BACKSPACE), 14);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_TAB), 15);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_LSHIFT), 42);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_RSHIFT), 54);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_LCTRL), 29);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_GRAVE), 41);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_SLASH), 53);
}

TEST(Scancodes, ExtendedKeysLoseTheirPrefix)
{
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_RCTRL), 29);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_KP_DIVIDE), 53);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_UP), 72);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_DOWN), 80);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_LEFT), 75);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_RIGHT), 77);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_HOME), 71);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_DELETE), 83);
}

TEST(Scancodes, LetterRowsAreConsecutive)
{
    const char *rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const int first[] = {16, 30, 44};
    for (int r = 0; r < 3; r++)
        for (int i = 0; rows[r][i]; i++) {
            SDL_Scancode key = SDL_Scancode(SDL_SCANCODE_A + (rows[r][i] - 'A'));
            EXPECT_EQ(pc_scan_code(key), first[r] + i) << rows[r][i];
        }
}

TEST(Scancodes, UnknownKeysGiveZero)
{
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_AUDIOPLAY), 0);
    EXPECT_EQ(pc_scan_code(SDL_SCANCODE_F20), 0);
}

TEST(Scancodes, EveryCodeIsInSetOneRange)
{
    for (int k = 0; k < SDL_NUM_SCANCODES; k++)
        EXPECT_LE(pc_scan_code(SDL_Scancode(k)), 127) << "SDL scancode " << k;
}

TEST(Scancodes, SystemKeysNeverReachTheProgram)
{
    EXPECT_TRUE(is_system_key(SDL_SCANCODE_F10, 0));
    EXPECT_TRUE(is_system_key(SDL_SCANCODE_LALT, 0));
    EXPECT_TRUE(is_system_key(SDL_SCANCODE_RALT, 0));
    EXPECT_TRUE(is_system_key(SDL_SCANCODE_3, KMOD_LALT));
    EXPECT_FALSE(is_system_key(SDL_SCANCODE_3, KMOD_LALT | KMOD_LCTRL));
    EXPECT_FALSE(is_system_key(SDL_SCANCODE_3, KMOD_LSHIFT));
    EXPECT_FALSE(is_system_key(SDL_SCANCODE_F12, 0));
    EXPECT_FALSE(is_system_key(SDL_SCANCODE_ESCAPE, KMOD_NUM));
}

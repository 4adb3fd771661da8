/* Display and keys of the DOS build: VGA mode 11h and the BIOS keyboard. */
#include "dos/bios.h"
#include "graphics/gfx.h"
#include "platform/platform.h"

enum { vga_mode_640x480x2 = 0x11 };

/* 0 while closed; otherwise the start-up video mode plus 1 */
static uint8_t saved_video_mode;

int video_open(void)
{
    if (saved_video_mode)
        return 2;
    /* there is a VGA: the start-up code (dos/start.S) has made sure of it */
    saved_video_mode = (uint8_t)(bios_get_mode() + 1);
    bios_set_mode(vga_mode_640x480x2);
    video_is_open = 1;  /* the frame buffer is reached through screen_dos.cpp */
    gfx_clear();
    return 1;
}

void video_close(void)
{
    if (!saved_video_mode)
        return;
    bios_set_mode((uint8_t)(saved_video_mode - 1));
    gfx_set_colour(0);
    saved_video_mode = 0;
    gfx_set_font(0, 0);
    video_is_open = 0;
}

/* Every write shows at once: there is nothing to repaint or wait for. */
void video_repaint(void) {}

void video_wait_shown(void) {}

int window_closed(void) { return 0; }

enum { scan_esc = 1, char_ctrl_c = 0x03 };

/* A Ctrl+C key counts as a break (dos/break_keys.S); once there has been
** one, every key reads as Esc. One call site for the BIOS flag keeps the
** code small. */
static __attribute__((noinline)) bool breaks(uint16_t key)
{
    if ((uint8_t)key == char_ctrl_c)
        bios_break_note();
    return bios_break_seen();
}

/* clock_ms when the key get_key returned arrived: the BIOS hands a waited
** key over the moment it comes in. */
static uint32_t key_time;

uint32_t key_time_ms(void) { return key_time; }

/* Keys typed while the program was busy are thrown away; only a key
** pressed after the call counts. Keys without a character give 0. Timed,
** the keyboard is polled until the clock reaches the deadline. */
static uint8_t read_key(bool timed, uint32_t deadline)
{
    while (bios_key_ready())
        breaks(bios_read_key());
    while (timed && !bios_key_ready() && !breaks(0))
        if ((int32_t)(clock_ms() - deadline) >= 0) {
            key_time = deadline;
            return 0;
        }
    uint16_t key = breaks(0) ? 0 : bios_read_key();
    key_time = clock_ms();
    if (breaks(key))
        return scan_esc;
    return (key & 0xFF) ? (uint8_t)(key >> 8) : 0;
}

uint8_t get_key(void) { return read_key(false, 0); }
uint8_t get_key_until(uint32_t deadline_ms) { return read_key(true, deadline_ms); }

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
    if (!vga_present())
        return 0;
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

static uint32_t key_time;

uint32_t key_time_ms(void) { return key_time; }

int window_closed(void) { return 0; }

/* Keys typed while the program was busy are thrown away; only a key
** pressed after the call counts. Keys without a character give 0. */
uint8_t get_key(void)
{
    while (bios_key_ready())
        bios_read_key();
    uint16_t key = bios_read_key();
    key_time = clock_ms();
    return (key & 0xFF) ? (uint8_t)(key >> 8) : 0;
}

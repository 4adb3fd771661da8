#include "dos/bios.h"
#include "dos/dos_int.h"

static DosRegs call(uint8_t number, uint16_t ax, uint16_t bx = 0)
{
    DosRegs r = {ax, bx, 0, 0, 0, 0, 0};
    dos_int(number, &r);
    return r;
}

void bios_set_mode(uint8_t mode) { call(0x10, mode); }

uint8_t bios_get_mode(void) { return (uint8_t)call(0x10, 0x0F00).ax; }

/* VGA (display codes 7, 8) and MCGA (0Ah..0Ch) offer mode 11h; EGA and
** older adapters lack the display-combination function or report 0..6. */
bool vga_present(void)
{
    DosRegs r = call(0x10, 0x1A00);
    uint8_t code = (uint8_t)r.bx;
    return (uint8_t)r.ax == 0x1A && code >= 7 && code != 0xFF;
}

bool bios_key_ready(void) { return !(call(0x16, 0x0100).flags & flag_zero); }

uint16_t bios_read_key(void) { return call(0x16, 0x0000).ax; }

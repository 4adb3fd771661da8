#include "dos/bios.h"
#include "dos/dos_int.h"
#include "dos/far_memory.h"

static DosRegs call(uint8_t number, uint16_t ax, uint16_t bx = 0)
{
    DosRegs r = {ax, bx, 0, 0, 0, 0, 0};
    dos_int(number, &r);
    return r;
}

void bios_set_mode(uint8_t mode) { call(0x10, mode); }

uint8_t bios_get_mode(void) { return (uint8_t)call(0x10, 0x0F00).ax; }

bool bios_key_ready(void) { return !(call(0x16, 0x0100).flags & flag_zero); }

uint16_t bios_read_key(void) { return call(0x16, 0x0000).ax; }

/* Set by the BIOS on Ctrl+Break, by dos/break_keys.S when DOS finds Ctrl+C,
** and by bios_break_note; cleared at start-up. */
enum { bios_data = 0x40, bios_break_at = 0x71, bios_break_bit = 0x80 };

bool bios_break_seen(void) { return far_get(bios_data, bios_break_at) & bios_break_bit; }

void bios_break_note(void) { far_put(bios_data, bios_break_at, far_get(bios_data, bios_break_at) | bios_break_bit); }

#include "dos/bios.h"
#include "dos/dos_int.h"
#include "dos/far_memory.h"

void bios_set_mode(uint8_t mode)
{
    dos_regs.ax = mode;
    dos_int(0x10);
}

uint8_t bios_get_mode(void)
{
    dos_regs.ax = 0x0F00;
    dos_int(0x10);
    return (uint8_t)dos_regs.ax;
}

/* The BIOS keyboard services change no register beyond AX. */
bool bios_key_ready(void)
{
    bool none;
    asm volatile("int $0x16" : "=@ccz"(none) : "a"(0x0100) : "memory");
    return !none;
}

uint16_t bios_read_key(void)
{
    uint16_t key;
    asm volatile("int $0x16" : "=a"(key) : "a"(0x0000) : "memory");
    return key;
}

/* Set by the BIOS on Ctrl+Break, by dos/break_keys.S when DOS finds Ctrl+C,
** and by bios_break_note; cleared at start-up. */
enum { bios_data = 0x40, bios_break_at = 0x71, bios_break_bit = 0x80 };

bool bios_break_seen(void) { return far_get(bios_data, bios_break_at) & bios_break_bit; }

void bios_break_note(void) { far_put(bios_data, bios_break_at, far_get(bios_data, bios_break_at) | bios_break_bit); }

/* The BIOS's count of timer ticks since midnight. */
uint32_t bios_ticks(void)
{
    uint32_t ticks;
    asm volatile("movw %w1, %%fs\n\t"
                 "movl %%fs:0x6C, %0"
                 : "=r"(ticks)
                 : "r"((uint16_t)bios_data)
                 : "memory");
    return ticks;
}

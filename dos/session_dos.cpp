/*
** Clock, date, command line and session identity of the DOS build.
** Stubs for now, each marked: the clock is the BIOS tick count alone (55 ms
** steps), the command line reads empty.
*/
#include "dos/dos_int.h"
#include "platform/platform.h"

/* The BIOS tick count at 0040:006Ch, through FS (the compiler never uses it). */
static uint32_t bios_ticks(void)
{
    uint32_t ticks;
    asm volatile("movw %w1, %%fs\n\t"
                 "movl %%fs:0x6C, %0"
                 : "=r"(ticks)
                 : "r"((uint16_t)0x40)
                 : "memory");
    return ticks;
}

/* stub: 55 ms steps */
uint32_t clock_ms(void) { return bios_ticks() * 55u; }

const char *clock_source(uint32_t *resolution_us)
{
    *resolution_us = 54925;
    return "pit";
}

void local_time(LocalTime *now)
{
    DosRegs r = {0x2A00, 0, 0, 0, 0, 0, 0};
    dos_int(0x21, &r);
    now->year = r.cx;
    now->month = (uint8_t)(r.dx >> 8);
    now->day = (uint8_t)r.dx;
    r.ax = 0x2C00;
    dos_int(0x21, &r);
    now->hour = (uint8_t)(r.cx >> 8);
    now->minute = (uint8_t)r.cx;
    now->second = (uint8_t)(r.dx >> 8);
}

/* stub: no options */
const char *program_arguments(void) { return ""; }

/* stub: the tick count and the time of day */
void session_entropy(uint8_t out[8])
{
    uint32_t ticks = bios_ticks();
    LocalTime t;
    local_time(&t);
    for (int i = 0; i < 4; i++)
        out[i] = (uint8_t)(ticks >> (8 * i));
    out[4] = t.day;
    out[5] = t.month;
    out[6] = (uint8_t)t.year;
    out[7] = t.second;
}

const char *build_name(void) { return "dos"; }

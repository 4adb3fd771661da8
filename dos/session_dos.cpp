/*
** Date, command line and session identity of the DOS build (the clock:
** clock_dos.cpp).
*/
#include "dos/bios.h"
#include "dos/clock_dos.h"
#include "dos/dos_int.h"
#include "platform/platform.h"

void local_time(LocalTime *now)
{
    dos_call(0x2A00, 0, 0, 0);
    now->year = dos_regs.cx;
    now->month = (uint8_t)(dos_regs.dx >> 8);
    now->day = (uint8_t)dos_regs.dx;
    dos_call(0x2C00, 0, 0, 0);
    now->hour = (uint8_t)(dos_regs.cx >> 8);
    now->minute = (uint8_t)dos_regs.cx;
    now->second = (uint8_t)(dos_regs.dx >> 8);
}

/* The command tail of the PSP, copied by the start-up code before anything
** can use the PSP's default transfer area, which overlaps it. */
extern "C" {
char dos_command_tail[128];
}

const char *program_arguments(void) { return dos_command_tail; }

/* The timer's count within its tick (where in 55 ms the program was
** started), the tick count and the date. */
void session_entropy(uint8_t out[8])
{
    uint16_t count = clock_count();
    uint32_t ticks = bios_ticks();
    LocalTime t;
    local_time(&t);
    out[0] = (uint8_t)count;
    out[1] = (uint8_t)(count >> 8);
    for (int i = 0; i < 4; i++)
        out[2 + i] = (uint8_t)(ticks >> (8 * i));
    out[6] = t.day;
    out[7] = (uint8_t)(t.year << 4 ^ t.month);
}

const char *build_name(void) { return "dos"; }

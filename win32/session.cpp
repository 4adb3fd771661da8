/*
** Clock, local time, command line and session identity of the Windows
** build: QueryPerformanceCounter in milliseconds (any thread; keys are
** stamped on the UI thread as their messages arrive), GetLocalTime, the
** command line after the program's name, and a session ID mixed from the
** clocks (no random-number DLL: the program imports only KERNEL32, USER32
** and GDI32).
*/
#include "win32/win32.h"
#include "base/crc32.h"
#include "platform/platform.h"

/* Counter ticks per second, as a double: the i686 build then converts
** without 64-bit division, which would pull libgcc's unwind tables in. */
static double counter_frequency(void)
{
    LARGE_INTEGER f;
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? (double)f.QuadPart : 1000.0;
}

uint32_t clock_ms(void)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    /* exact to the millisecond for 28 years of uptime at 10 MHz; wraps at 2^32 */
    return (uint32_t)(int64_t)((double)now.QuadPart * 1000.0 / counter_frequency());
}

const char *clock_source(uint32_t *resolution_us)
{
    double us = 1000000.0 / counter_frequency();
    *resolution_us = us < 1.0 ? 1 : (uint32_t)us;
    return "qpc";
}

void local_time(LocalTime *now)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    now->year = t.wYear;
    now->month = (uint8_t)t.wMonth;
    now->day = (uint8_t)t.wDay;
    now->hour = (uint8_t)t.wHour;
    now->minute = (uint8_t)t.wMinute;
    now->second = (uint8_t)t.wSecond;
}

/* Skips the program's name, quoted or not, and the spaces after it. */
const char *program_arguments(void)
{
    const char *p = GetCommandLineA();
    if (*p == '"') {
        for (p++; *p && *p != '"'; p++)
            ;
        p += *p == '"';
    } else {
        while ((uint8_t)*p > ' ')
            p++;
    }
    while (*p && (uint8_t)*p <= ' ')
        p++;
    return p;
}

/* The counter (ticks since the PC started) and, over its high half, the
** CRC-32 (base/crc32.h) of the local time: runs and PCs never give both alike. */
void session_entropy(uint8_t out[8])
{
    LARGE_INTEGER counter;
    SYSTEMTIME now;
    QueryPerformanceCounter(&counter);
    GetLocalTime(&now);
    uint64_t x = (uint64_t)counter.QuadPart ^ (uint64_t)crc32_update(0, &now, sizeof now) << 32;
    for (int i = 0; i < 8; i++)
        out[i] = (uint8_t)(x >> (8 * i));
}

const char *build_name(void) { return sizeof(void *) == 8 ? "win64" : "win32"; }

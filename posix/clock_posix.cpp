/*
** Clock, local time and session entropy on POSIX (the Linux front end and
** the benchmarks): CLOCK_MONOTONIC in milliseconds, localtime_r, getrandom.
*/
#include "platform/platform.h"

#include <sys/random.h>
#include <time.h>

uint32_t clock_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)((uint64_t)t.tv_sec * 1000u + (uint64_t)t.tv_nsec / 1000000u);
}

const char *clock_source(uint32_t *resolution_us)
{
    struct timespec r = {0, 1000};
    clock_getres(CLOCK_MONOTONIC, &r);
    uint64_t us = (uint64_t)r.tv_sec * 1000000u + (uint64_t)r.tv_nsec / 1000u;
    *resolution_us = us < 1 ? 1 : (uint32_t)us;
    return "monotonic";
}

void local_time(LocalTime *now)
{
    time_t t = time(0);
    struct tm parts;
    localtime_r(&t, &parts);
    now->year = (uint16_t)(parts.tm_year + 1900);
    now->month = (uint8_t)(parts.tm_mon + 1);
    now->day = (uint8_t)parts.tm_mday;
    now->hour = (uint8_t)parts.tm_hour;
    now->minute = (uint8_t)parts.tm_min;
    now->second = (uint8_t)(parts.tm_sec > 59 ? 59 : parts.tm_sec);  /* a leap second */
}

void session_entropy(uint8_t out[8])
{
    if (getrandom(out, 8, 0) == 8)
        return;
    /* no random numbers: the clocks */
    struct timespec a, b;
    clock_gettime(CLOCK_REALTIME, &a);
    clock_gettime(CLOCK_MONOTONIC, &b);
    uint64_t mix = (uint64_t)a.tv_sec * 1000000007u ^ (uint64_t)a.tv_nsec ^ (uint64_t)b.tv_nsec << 32;
    for (int i = 0; i < 8; i++)
        out[i] = (uint8_t)(mix >> (8 * i));
}

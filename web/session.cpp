/*
** The session's side of the platform in a web page: the clock
** (performance.now), the local time, the options the page passes (a
** participant from the page's address, the journal to resume), random
** bits for the session ID, and the build's name.
*/
#include "platform/platform.h"
#include "web/web.h"

uint32_t clock_ms(void) { return web_clock_ms(); }

const char *clock_source(uint32_t *resolution_us)
{
    *resolution_us = web_clock_resolution_us();
    return "performance.now";
}

void local_time(LocalTime *now)
{
    uint16_t parts[6];
    web_local_time(parts);
    now->year = parts[0];
    now->month = (uint8_t)parts[1];
    now->day = (uint8_t)parts[2];
    now->hour = (uint8_t)parts[3];
    now->minute = (uint8_t)parts[4];
    now->second = (uint8_t)parts[5];
}

const char *program_arguments(void)
{
    static char text[160];
    web_arguments(text, (int)sizeof text);
    return text;
}

void session_entropy(uint8_t out[8]) { web_entropy(out, 8); }

const char *build_name(void) { return "web"; }

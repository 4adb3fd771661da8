/*
** The millisecond clock of the DOS build: the BIOS tick count (0040:006Ch,
** 18.2 a second) and, within a tick, timer channel 0, which counts down
** from 65,536 at 1,193,182 Hz. While the program runs the channel is in
** mode 2, which counts down once a tick (the BIOS sets mode 3, which counts
** down twice, by twos); the tick rate does not change. The start-up code
** calls clock_take and clock_give_back around the program.
*/
#include "dos/clock_dos.h"
#include "dos/bios.h"
#include "platform/platform.h"

enum {
    pit_channel0 = 0x40,
    pit_control = 0x43,
    pit_latch0 = 0x00,
    pic_control = 0x20,
    pic_read_requests = 0x0A,
    ticks_per_day = 0x1800B0   /* the BIOS starts counting again at midnight */
};

/* 2^32 * 1000 / 1,193,182: milliseconds per timer count, scaled by 2^32 */
static const uint32_t ms_per_count = 3599591;

static void out8(uint16_t port, uint8_t value) { asm volatile("outb %0, %w1" : : "a"(value), "Nd"(port)); }

static uint8_t in8(uint16_t port)
{
    uint8_t value;
    asm volatile("inb %w1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

/* Channel 0, low then high byte, the given mode, a count of 65,536. */
static void channel0_mode(uint8_t mode)
{
    out8(pit_control, (uint8_t)(0x30 | mode << 1));
    out8(pit_channel0, 0);
    out8(pit_channel0, 0);
}

void clock_take(void) { channel0_mode(2); }

void clock_give_back(void) { channel0_mode(3); }

static uint32_t days;        /* ticks of the midnights passed while running */
static uint32_t last_ticks;

uint32_t clock_ms(void)
{
    /* with interrupts off: the count, the ticks, and whether the count has
    ** started a tick the BIOS has not counted yet */
    uint16_t flags;
    asm volatile("pushfw\n\tpopw %0\n\tcli" : "=r"(flags) : : "memory");
    out8(pit_control, pit_latch0);
    uint16_t count = in8(pit_channel0);
    count = (uint16_t)(count | in8(pit_channel0) << 8);
    uint32_t ticks = bios_ticks();
    out8(pic_control, pic_read_requests);
    uint8_t timer_waiting = in8(pic_control) & 1;
    asm volatile("pushw %0\n\tpopfw" : : "r"(flags) : "memory", "cc");

    uint32_t elapsed = (uint16_t)(0u - count);  /* counts since the tick began */
    if (timer_waiting && elapsed < 0x8000)
        ticks++;
    if (last_ticks - ticks < 0x80000000u && last_ticks - ticks > ticks_per_day / 2)
        days += ticks_per_day;
    last_ticks = ticks;
    /* (ticks * 65,536 + elapsed) counts in ms, without a 64-bit division */
    uint64_t scaled = (uint64_t)(days + ticks) * ms_per_count + ((uint64_t)elapsed * ms_per_count >> 16);
    return (uint32_t)(scaled >> 16);
}

/* Channel 0 counts in steps of 0.84 microseconds. */
const char *clock_source(uint32_t *resolution_us)
{
    *resolution_us = 1;
    return "pit";
}

uint16_t clock_count(void)
{
    out8(pit_control, pit_latch0);
    uint16_t count = in8(pit_channel0);
    return (uint16_t)(count | in8(pit_channel0) << 8);
}

uint32_t clock_counts(void)
{
    uint32_t ticks, again;
    uint16_t count;
    do {
        ticks = bios_ticks();
        count = clock_count();
        again = bios_ticks();
    } while (ticks != again);
    return ticks << 16 | (uint16_t)(0u - count);
}

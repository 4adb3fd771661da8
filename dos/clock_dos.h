/* The DOS build's timer, beyond the clock of the platform contract. */
#ifndef MERIDOKA_CLOCK_DOS_H
#define MERIDOKA_CLOCK_DOS_H

#include <stdint.h>

/* Timer channel 0 in the mode the clock reads (mode 2), and back in the
** BIOS's mode 3: called by the start-up code around the program. */
extern "C" void clock_take(void);
extern "C" void clock_give_back(void);

/* Channel 0's count within the current tick: the part of the clock that
** differs from run to run. */
uint16_t clock_count(void);

/* Timer counts since midnight, modulo 2^32 (the tick count and the count
** within the tick): the benchmarks' stopwatch, 0.84 microseconds a count. */
uint32_t clock_counts(void);

#endif

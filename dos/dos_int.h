/* The one software-interrupt call through which every BIOS and DOS service
** is reached. */
#ifndef MERIDOKA_DOS_INT_H
#define MERIDOKA_DOS_INT_H

#include <stdint.h>

struct DosRegs {
    uint16_t ax, bx, cx, dx, si, di;
    uint16_t flags;                  /* as the service returned them */
};

enum { flag_carry = 0x0001, flag_zero = 0x0040 };

extern "C" void dos_int(uint8_t number, DosRegs *regs);

#endif

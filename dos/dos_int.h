/* The one software-interrupt call through which every BIOS and DOS service
** is reached (dos_int.S). */
#ifndef MERIDOKA_DOS_INT_H
#define MERIDOKA_DOS_INT_H

#include <stdint.h>

struct DosRegs {
    uint16_t ax, bx, cx, dx, si, di;
};

enum { flag_carry = 0x0001, flag_zero = 0x0040 };

/* The registers going in and, after the call, as the service left them. */
extern "C" DosRegs dos_regs;

/* INT number on dos_regs; returns the flags the service returned. The
** assembly routines follow the build's calling convention (dos_int.S). */
extern "C" uint16_t dos_int(uint8_t number);

/* INT 21h with AX, BX, CX and DX (SI and DI as dos_regs holds them);
** 1 when the call failed (carry set), else 0. */
extern "C" uint16_t dos_call(uint16_t ax, uint16_t bx, uint16_t cx, uint16_t dx);

#endif

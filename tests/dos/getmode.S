/* GETMODE.COM: ends with the current BIOS video mode as its return code. */
    .code16
    .text
    .globl _start
_start:
    movb $0x0F, %ah
    int $0x10
    movb $0x4C, %ah
    int $0x21

    .section .note.GNU-stack, "", @progbits

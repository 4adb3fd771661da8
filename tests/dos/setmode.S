/* SETMODE.COM d: sets BIOS video mode d (one decimal digit). */
    .code16
    .text
    .globl _start
_start:
    movb 0x82, %al              /* first character after the blank */
    subb $'0', %al
    xorb %ah, %ah
    int $0x10
    movw $0x4C00, %ax
    int $0x21

    .section .note.GNU-stack, "", @progbits

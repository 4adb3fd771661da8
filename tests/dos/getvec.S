/* GETVEC.COM: prints the INT 1Bh vector as SSSS:OOOO and a line end. */
    .code16
    .text
    .globl _start
_start:
    movw $0x351B, %ax
    int $0x21
    movw %es, %ax
    call hex4
    movb $':', %dl
    movb $0x02, %ah
    int $0x21
    movw %bx, %ax
    call hex4
    movw $line_end, %dx
    movb $0x09, %ah
    int $0x21
    movw $0x4C00, %ax
    int $0x21

/* Prints AX as four hexadecimal digits. */
hex4:
    movw $4, %cx
1:  pushw %cx
    movb $4, %cl
    rolw %cl, %ax
    pushw %ax
    andb $0x0F, %al
    addb $'0', %al
    cmpb $'9', %al
    jbe 2f
    addb $'A' - '9' - 1, %al
2:  movb %al, %dl
    movb $0x02, %ah
    int $0x21
    popw %ax
    popw %cx
    loop 1b
    ret

line_end: .ascii "\r\n$"

    .section .note.GNU-stack, "", @progbits

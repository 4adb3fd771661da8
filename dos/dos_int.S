/*
** The one software-interrupt call of the DOS build, on the registers in
** dos_regs (AX, BX, CX, DX, SI, DI): they go in, and what the service
** returns comes back in them.
**   uint16_t dos_int(uint8_t number)        INT number; returns the flags
**   uint16_t dos_call(ax, bx, cx, dx)       INT 21h with those four (SI and
**                                           DI as in dos_regs); 1 when it
**                                           failed (carry set), else 0
** DS and ES stay the data segment.
*/
    .code16
    .bss
    .globl dos_regs
dos_regs:   .skip 12

    .text
/* The build's calling convention (-mregparm=3 -mrtd): the first three
** arguments come in EAX, EDX and ECX, the rest on the stack, which the
** called routine clears. */
    .globl dos_call
dos_call:
    movw %ax, dos_regs
    movw %dx, dos_regs + 2
    movw %cx, dos_regs + 4
    movw 4(%esp), %ax
    movw %ax, dos_regs + 6
    movb $0x21, %al
    calll dos_int
    andw $1, %ax
    retl $4

    .globl dos_int
dos_int:
    movb %al, %cs:int_insn + 1  /* patch the interrupt number */
    jmp 1f                      /* flush the prefetched old byte */
1:  pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movw dos_regs, %ax
    movw dos_regs + 2, %bx
    movw dos_regs + 4, %cx
    movw dos_regs + 6, %dx
    movw dos_regs + 8, %si
    movw dos_regs + 10, %di
int_insn:
    int $0x21
    movw %ax, dos_regs
    movw %bx, dos_regs + 2
    movw %cx, dos_regs + 4
    movw %dx, dos_regs + 6
    movw %si, dos_regs + 8
    movw %di, dos_regs + 10
    pushfw
    popw %ax
    movzwl %ax, %eax
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    retl

    .section .note.GNU-stack, "", @progbits

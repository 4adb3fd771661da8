/*
** dos_int(number, regs): the one software-interrupt call of the DOS build.
** Loads AX, BX, CX, DX, SI, DI from the block, issues INT number, and stores
** the registers and the flags back. DS and ES stay the data segment.
*/
    .code16
    .text
    .globl dos_int
dos_int:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%esp), %eax
    movb %al, %cs:int_insn + 1  /* patch the interrupt number */
    jmp 1f                      /* flush the prefetched old byte */
1:  movl 24(%esp), %ebp
    pushw %bp
    movw 0(%bp), %ax
    movw 2(%bp), %bx
    movw 4(%bp), %cx
    movw 6(%bp), %dx
    movw 8(%bp), %si
    movw 10(%bp), %di
int_insn:
    int $0x21
    pushfw
    pushw %bp
    movw %sp, %bp
    movw 4(%bp), %bp            /* the block again */
    movw %ax, 0(%bp)
    movw %bx, 2(%bp)
    movw %cx, 4(%bp)
    movw %dx, 6(%bp)
    movw %si, 8(%bp)
    movw %di, 10(%bp)
    popw %ax                    /* BP as returned: unused */
    popw %ax
    movw %ax, 12(%bp)
    popw %ax
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    retl

    .section .note.GNU-stack, "", @progbits

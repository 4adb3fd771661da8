/*
** Start-up of the DOS program: segments, stack, .bss, memory block, then
** program_main; its status becomes the DOS return code.
*/
    .code16
    .section .start, "ax"
    .globl _start
_start:
    cld
    movw %ds, %bx               /* DS = ES = PSP segment at entry */
    .globl _data_para_fixup
_data_para_fixup:
    movw $_data_para, %ax       /* the one relocated word of the image */
    movw %ax, %ds
    movw %ax, %es
    cli
    movw %ax, %ss
    movl $_stack_top, %esp      /* high half of ESP stays zero */
    sti

    /* DOS does not clear .bss */
    movw $_bss_start, %di
    movw $_bss_end, %cx
    subw %di, %cx
    xorb %al, %al
    rep stosb

    /* mark the stack area, so that a dump of the segment shows its depth */
    movw $_stack_limit, %di
    movw $_stack_top, %cx
    subw %di, %cx
    movb $0x5A, %al
    rep stosb

    /* keep only PSP, code and the one data segment */
    movw %ds, %dx
    subw %bx, %dx
    addw $0x1000, %dx
    pushw %es
    movw %bx, %es
    movw %dx, %bx
    movb $0x4A, %ah
    int $0x21
    popw %es

    calll _Z12program_mainv     /* int program_main(void) */
    movb $0x4C, %ah             /* AL holds the status */
    int $0x21

    .section .note.GNU-stack, "", @progbits

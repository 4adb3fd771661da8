/*
** Start-up of the DOS program.
**
** The first part runs on any PC and uses 8086 instructions only (the build
** checks that, dos/check_8086.py): no VGA, or a processor older than the
** 80386, ends the program at once with a message and status 2. Then, with
** 32-bit registers: .bss, the command tail, the memory block, the break
** keys and the timer, program_main, whose status becomes the DOS return
** code.
**
** DOS has set SS:SP from the header: the data segment, with the stack at its
** fixed place above .bss (dos/dos.ld), inside the memory the header asks for.
*/
    .code16
    .section .start, "ax"
    .globl _start
_start:
    cld
    pushw %ds                   /* the PSP segment (DS = ES = PSP at entry) */
    .globl _data_para_fixup
_data_para_fixup:
    movw $_data_para, %ax       /* the one relocated word of the image */
    movw %ax, %ds
    movw %ax, %es

    /* VGA (display codes 7, 8) and MCGA (0Ah..0Ch) offer mode 11h; EGA and
    ** older adapters lack the display-combination function or report 0..6 */
    movw $0x1A00, %ax
    xorw %bx, %bx
    int $0x10
    movw $error_display_text, %si
    cmpb $0x1A, %al
    jne stop
    cmpb $7, %bl
    jb stop
    cmpb $0xFF, %bl
    je stop

    /* FLAGS bits 12-15 cannot be cleared on an 8086 or 80186 and cannot be
    ** set on an 80286 in real mode; a 386 takes both */
    movw $error_cpu_text, %si
    pushfw
    popw %di                    /* the flags as they were */
    movw %di, %ax
    andw $0x0FFF, %ax
    pushw %ax
    popfw
    pushfw
    popw %ax                    /* bits 12-15 after clearing them */
    movw %di, %cx
    orw $0xF000, %cx
    pushw %cx
    popfw
    pushfw
    popw %cx                    /* bits 12-15 after setting them */
    pushw %di
    popfw
    andw $0xF000, %ax
    cmpw $0xF000, %ax
    je stop
    testw $0xF000, %cx
    jnz _start_386

stop:
    call write_text
    movw $0x4C02, %ax
    int $0x21

/* Writes the zero-terminated text at DS:SI to standard output, a line feed
** as CR LF. Keeps only segment registers, DI and BP. */
write_text:
    movw %si, %dx               /* the run of bytes up to a line feed */
1:  lodsb
    cmpb $'\n', %al
    je 2f
    testb %al, %al
    jnz 1b
2:  pushw %ax
    movw %si, %cx
    decw %cx
    subw %dx, %cx
    jz 3f
    movw $1, %bx
    movb $0x40, %ah
    int $0x21
3:  popw %ax
    testb %al, %al
    jz 4f
    movw $crlf, %dx
    movw $2, %cx
    movw $1, %bx
    movb $0x40, %ah
    int $0x21
    jmp write_text
4:  ret

/* From here on the processor is a 386 or later. */
    .globl _start_386
_start_386:
    popw %bp                    /* the PSP segment */
    movl $_stack_top, %esp      /* high half of ESP stays zero */

    /* DOS does not clear .bss */
    movw $_bss_start, %di
    movw $_bss_end, %cx
    subw %di, %cx
    xorb %al, %al
    rep stosb

    /* the command tail (PSP 80h: length, then the text up to CR) before
    ** anything uses the PSP's transfer area, which holds it */
    pushw %ds
    movw %bp, %ds
    movw $0x80, %si
    lodsb
    movzbw %al, %cx
    andb $0x7F, %cl
    movw $dos_command_tail, %di
    rep movsb
    popw %ds

    /* mark the stack area, so that a dump of the segment shows its depth */
    movw $_stack_limit, %di
    movw $_stack_top, %cx
    subw %di, %cx
    movb $0x5A, %al
    rep stosb

    /* the data segment reaches as far as DOS gave memory, at most 64 KB;
    ** the block keeps PSP, code and that much (INT 21h/4Ah) */
    movw %bp, %es
    movw %es:2, %ax             /* the paragraph after the block */
    movw %ds, %dx
    subw %dx, %ax
    movw $0xFFF0, %cx
    cmpw $0x1000, %ax
    jae 5f
    movw %ax, %cx
    shlw $4, %cx
    jmp 6f
5:  movw $0x1000, %ax
6:  movzwl %cx, %ecx
    movl %ecx, dos_memory_end
    subw %bp, %dx
    addw %dx, %ax
    movw %ax, %bx
    movb $0x4A, %ah
    int $0x21
    movw %ds, %ax
    movw %ax, %es

    call break_keys_take
    calll clock_take
    calll _Z12program_mainv     /* int program_main(void) */
    pushw %ax
    calll clock_give_back
    call break_keys_give_back
    popw %ax
    movb $0x4C, %ah             /* AL holds the status */
    int $0x21

/* show_error(text) of the platform contract: the start-up's own writer.
** The build's calling convention (-mregparm=3): the text comes in EAX. */
    .globl _Z10show_errorPKc
_Z10show_errorPKc:
    pushl %ebx
    pushl %esi
    movl %eax, %esi
    call write_text
    popl %esi
    popl %ebx
    retl

    .section .rodata
error_cpu_text:
    .asciz "Error: 80386 or later processor required.\n"
crlf:
    .ascii "\r\n"

    .section .note.GNU-stack, "", @progbits

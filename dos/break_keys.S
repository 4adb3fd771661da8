/*
** Ctrl+Break and Ctrl+C belong to the program while it runs: both end up in
** the BIOS break flag (0040:0071h bit 7), which get_key reads as Esc, so the
** test ends the way Esc ends it (results written, video mode restored).
**
**   INT 1Bh  the BIOS calls it on Ctrl+Break, having set the flag and put a
**            0000h key in the buffer: it returns at once, so DOS never
**            learns of the break and cannot end the program.
**   INT 23h  DOS calls it when it finds Ctrl+C during a call: it sets the
**            flag and returns, and DOS goes on with the call.
**   INT 24h  a critical error: INT 1Bh goes back to its old handler first,
**            then the old INT 24h handler takes over, so that its "Abort"
**            leaves no vector pointing into a program that is gone.
**
** BREAK is off while the program runs, so that DOS leaves a Ctrl+C typed
** during a file call in the keyboard buffer (get_key finds it) instead of
** echoing "^C" onto the graphics screen. DOS itself gives INT 23h and 24h
** back when the program ends; break_keys_give_back restores INT 1Bh and
** BREAK. Both routines are near calls from the start-up code.
*/
    .code16
    .text

old_int1b:  .long 0
old_int24:  .long 0
old_break:  .byte 0

    .globl break_keys_take
break_keys_take:
    movw $0x3300, %ax           /* BREAK as it was */
    int $0x21
    movb %dl, %cs:old_break
    movw $0x3301, %ax
    xorb %dl, %dl
    int $0x21
    movw $0x351B, %ax
    int $0x21
    movw %bx, %cs:old_int1b
    movw %es, %cs:old_int1b + 2
    movw $0x3524, %ax
    int $0x21
    movw %bx, %cs:old_int24
    movw %es, %cs:old_int24 + 2
    pushw %ds
    pushw %cs
    popw %ds
    movw $0x251B, %ax
    movw $int1b, %dx
    int $0x21
    movw $0x2523, %ax
    movw $int23, %dx
    int $0x21
    movw $0x2524, %ax
    movw $int24, %dx
    int $0x21
    movw $0x40, %ax             /* a break from before the program does not count */
    movw %ax, %ds
    andb $0x7F, 0x71
    popw %ds
    movw %ds, %ax
    movw %ax, %es
    ret

    .globl break_keys_give_back
break_keys_give_back:
    pushw %ds
    ldsw %cs:old_int1b, %dx
    movw $0x251B, %ax
    int $0x21
    popw %ds
    movw $0x3301, %ax
    movb %cs:old_break, %dl
    int $0x21
    ret

int1b:
    iret

int23:
    pushw %ds
    pushw %ax
    movw $0x40, %ax
    movw %ax, %ds
    orb $0x80, 0x71
    popw %ax
    popw %ds
    iret

/* Only the interrupt vector table is written here: DOS allows no calls. */
int24:
    pushw %ds
    pushw %ax
    xorw %ax, %ax
    movw %ax, %ds
    movw %cs:old_int1b, %ax
    movw %ax, 0x1B * 4
    movw %cs:old_int1b + 2, %ax
    movw %ax, 0x1B * 4 + 2
    popw %ax
    popw %ds
    ljmp *%cs:old_int24

    .section .note.GNU-stack, "", @progbits

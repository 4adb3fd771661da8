/*
** KEYFEED.COM: a resident key feeder for end-to-end tests in DOSBox.
**
** Reads KEYS.BIN from the current directory (4-byte entries: kind, scan
** code, character code, flags), hooks INT 16h and serves functions 00h/10h
** (read) and 01h/11h (peek) from the script; every other function goes to
** the BIOS. Kinds:
**   'K' a key pressed once the program waits: only a read that finds
**       nothing waiting takes it, so a peek never sees it;
**   'B' a key typed ahead while the program is busy: a peek sees it at
**       once (and a drain loop throws it away);
**   'S' at a read: write the 38,400 bytes at A000h:0000h to SHOTnnnn.BIN,
**       then deliver F12 (scan 58h, no character);
**   'D' at a read: write the caller's data segment (DS:0000h, 65,535
**       bytes) to DATAnnnn.BIN, then go on with the next entry;
**   'C' at a read or a peek: DOS has found Ctrl+C during a call and issues
**       INT 23h; then go on with the next entry;
**   'W' at a read: wait until the BIOS tick count has gone up by the
**       entry's 16-bit count (scan code byte low), then the next entry;
**   'H' at a read: write an empty HALT0001.TXT and stop there for good
**       (interrupts on), so that the test can cut the power.
** For a program that polls (a key wait with a deadline peeks until a key
** is waiting or the time is up):
**   'P' a key pressed once the program waits: the first peek that meets it
**       finds nothing (so a drain loop leaves it), every later peek sees
**       it, and a read takes it;
**   'V' a wait that runs while the program peeks: the first peek that
**       meets it starts it, later peeks find nothing until the BIOS tick
**       count has gone up by the entry's count, then go on with the next
**       entry; a read waits out the rest.
** Flag 1 of a 'K' or 'B' entry makes it a Ctrl+Break as the BIOS delivers
** one: the break flag (0040:0071h bit 7) is set and INT 1Bh issued when the
** key is taken, and the key itself is 0000h.
** Before INT 1Bh or 23h the feeder plays DOS: when the program has left the
** vector as it was when the feeder was installed, the break ends the
** program there (status 3), as DOS would end it.
** When the script is used up every read gives Esc.
*/
    .code16
    .text
    .globl _start
_start:
    jmp install

old_int16:      .long 0
dos_int1b:      .long 0
dos_int23:      .long 0
script_pos:     .word 0
script_end:     .word 0
pending:        .word 0
has_pending:    .byte 0
armed:          .byte 0             /* the 'P' or 'V' entry first has been met */
target:         .word 0             /* the tick at which a started 'V' ends */
shot_name:      .ascii "SHOT0000.BIN\0"
data_name:      .ascii "DATA0000.BIN\0"
halt_name:      .ascii "HALT0000.TXT\0"

handler:
    cmpb $0x00, %ah
    je read_key
    cmpb $0x10, %ah
    je read_key
    cmpb $0x01, %ah
    je peek_key
    cmpb $0x11, %ah
    je peek_key
    ljmp *%cs:old_int16

/* ZF clear and AX = key when one is waiting; ZF set otherwise. Returns
** with interrupts on, as the BIOS does: a program polling until a deadline
** needs the timer's ticks. */
peek_key:
    sti
    pushw %bx
    cmpb $0, %cs:has_pending
    jne 2f
0:  movw %cs:script_pos, %bx
    cmpw %cs:script_end, %bx
    jae 1f
    cmpb $'C', %cs:(%bx)
    jne 10f
    addw $4, %cs:script_pos
    call dos_ctrl_c
    jmp 0b
10: cmpb $'B', %cs:(%bx)
    jne 14f
    call ctrl_break
    movw %cs:1(%bx), %bx          /* scan, character */
    xchgb %bl, %bh
    movw %bx, %cs:pending
    movb $1, %cs:has_pending
    addw $4, %cs:script_pos
    jmp 2f
14: cmpb $'P', %cs:(%bx)
    jne 15f
    cmpb $0, %cs:armed
    je 16f
    movw %cs:1(%bx), %ax          /* met before: waiting */
    xchgb %al, %ah
    popw %bx
    testw %sp, %sp
    lret $2
15: cmpb $'V', %cs:(%bx)
    jne 1f
    pushw %ds
    pushw %ax
    movw $0x40, %ax
    movw %ax, %ds
    movw 0x6C, %ax
    cmpb $0, %cs:armed
    jne 17f
    addw %cs:1(%bx), %ax          /* met first: start it */
    movw %ax, %cs:target
    popw %ax
    popw %ds
16: movb $1, %cs:armed
    jmp 1f
17: subw %cs:target, %ax
    popw %ax
    popw %ds
    js 1f                         /* not over yet */
    movb $0, %cs:armed
    addw $4, %cs:script_pos
    jmp 0b
1:  popw %bx
    cmpb %ah, %ah                 /* ZF set: nothing waiting */
    lret $2
2:  movw %cs:pending, %ax
    popw %bx
    testw %sp, %sp                /* SP is never zero: ZF clear */
    lret $2

read_key:
    pushw %bx
    pushw %cx
    pushw %dx
    pushw %ds
    cmpb $0, %cs:has_pending
    je 3f
    movb $0, %cs:has_pending
    movw %cs:pending, %ax
    jmp read_done
3:  movw %cs:script_pos, %bx
    cmpw %cs:script_end, %bx
    jb 4f
    movw $0x011B, %ax             /* script used up: Esc */
    jmp read_done
4:  addw $4, %cs:script_pos
    movb %cs:(%bx), %dl
    movw %cs:1(%bx), %ax
    xchgb %al, %ah                /* AH scan, AL character */
    cmpb $'S', %dl
    je 5f
    cmpb $'D', %dl
    je 6f
    cmpb $'C', %dl
    je 7f
    cmpb $'W', %dl
    je 11f
    cmpb $'H', %dl
    je 12f
    cmpb $'V', %dl
    je 18f
    movb $0, %cs:armed
    call ctrl_break
    jmp read_done                 /* 'K', 'B' or 'P' */
18: xchgb %al, %ah                /* the count as stored */
    cmpb $0, %cs:armed
    je 19f
    movb $0, %cs:armed
    pushw %ds                     /* started by a peek: the rest of it */
    movw $0x40, %cx
    movw %cx, %ds
    movw %cs:target, %ax
    subw 0x6C, %ax
    popw %ds
    jle 3b
19: call wait_ticks
    jmp 3b
7:  call dos_ctrl_c
    jmp 3b
11: xchgb %al, %ah                /* the count as stored */
    call wait_ticks
    jmp 3b
12: movw $halt_name, %dx          /* an empty file says where it stopped */
    movw %cs, %bx
    xorw %cx, %cx
    xorw %ax, %ax
    call write_dump
    sti
13: hlt
    jmp 13b
5:  movw $shot_name, %dx
    movw $0xA000, %bx
    xorw %cx, %cx                 /* from offset 0 */
    movw $38400, %ax
    call write_dump
    movw $0x5800, %ax             /* F12 */
    jmp read_done
6:  movw $data_name, %dx
    movw %ds, %bx                 /* the caller's data segment */
    movw $0xFFFF, %ax
    xorw %cx, %cx
    call write_dump
    jmp 3b
read_done:
    popw %ds
    popw %dx
    popw %cx
    popw %bx
    iret

/* The entry at CS:BX as a Ctrl+Break (flag 1): the BIOS sets its break
** flag and issues INT 1Bh, which DOS would act on unless the program has
** taken it. Keeps every register. */
ctrl_break:
    testb $1, %cs:3(%bx)
    jz 1f
    pushw %ds
    pushw %ax
    pushw %si
    movw $0x40, %ax
    movw %ax, %ds
    orb $0x80, 0x71
    movw $0x1B * 4, %si
    movw $dos_int1b, %ax
    call end_unless_taken
    int $0x1b
    popw %si
    popw %ax
    popw %ds
1:  ret

/* Waits for AX ticks of the BIOS clock (0040:006Ch), interrupts on. */
wait_ticks:
    pushw %ds
    pushw %bx
    pushw %cx
    movw $0x40, %bx
    movw %bx, %ds
    movw 0x6C, %cx
    addw %ax, %cx
    sti
1:  hlt
    movw 0x6C, %bx
    subw %cx, %bx
    js 1b
    popw %cx
    popw %bx
    popw %ds
    ret

/* DOS has found Ctrl+C: INT 23h, which ends the program unless it took it. */
dos_ctrl_c:
    pushw %ax
    pushw %si
    movw $0x23 * 4, %si
    movw $dos_int23, %ax
    call end_unless_taken
    int $0x23
    popw %si
    popw %ax
    ret

/* Ends the program with status 3 when the vector at 0000:SI is still the
** one kept at CS:AX when the feeder was installed. */
end_unless_taken:
    pushw %ds
    pushw %bx
    pushw %dx
    movw %ax, %bx
    xorw %ax, %ax
    movw %ax, %ds
    movw (%si), %ax
    movw 2(%si), %dx
    cmpw %cs:(%bx), %ax
    jne 1f
    cmpw %cs:2(%bx), %dx
    jne 1f
    movw $0x4C03, %ax
    int $0x21
1:  popw %dx
    popw %bx
    popw %ds
    ret

/* Writes AX bytes from BX:CX to the file named at CS:DX after counting its
** number up. Keeps nothing but segment registers. */
write_dump:
    pushw %ds
    pushw %si
    pushw %di
    pushw %bp
    movw %ax, %bp                 /* byte count */
    movw %cx, %di                 /* source offset */
    movw %bx, %si                 /* source segment */
    pushw %cs
    popw %ds
    movw %dx, %bx                 /* count the 4-digit number up */
    addw $7, %bx
7:  incb (%bx)
    cmpb $'9', (%bx)
    jbe 8f
    movb $'0', (%bx)
    decw %bx
    jmp 7b
8:  movb $0x3C, %ah               /* create */
    xorw %cx, %cx
    int $0x21
    jc 9f
    movw %ax, %bx
    movw %bp, %cx
    movw %di, %dx
    movw %si, %ds
    movb $0x40, %ah
    int $0x21
    pushw %cs
    popw %ds
    movb $0x3E, %ah
    int $0x21
9:  popw %bp
    popw %di
    popw %si
    popw %ds
    ret

install:
    movw $keys_name, %dx          /* open KEYS.BIN */
    movw $0x3D00, %ax
    int $0x21
    jc fail
    movw %ax, %bx
    movw $script, %dx
    movw $script_room, %cx
    movb $0x3F, %ah
    int $0x21
    jc fail
    andw $0xFFFC, %ax
    movw $script, %cx
    movw %cx, script_pos
    addw %ax, %cx
    movw %cx, script_end
    movb $0x3E, %ah
    int $0x21

    movw $0x351B, %ax             /* the break vectors as DOS has them */
    int $0x21
    movw %bx, dos_int1b
    movw %es, dos_int1b + 2
    movw $0x3523, %ax
    int $0x21
    movw %bx, dos_int23
    movw %es, dos_int23 + 2
    movw $0x3516, %ax             /* keep the BIOS vector */
    int $0x21
    movw %bx, old_int16
    movw %es, old_int16 + 2
    movw $handler, %dx
    movw $0x2516, %ax
    int $0x21

    movw $script + script_room + 15, %dx
    shrw $4, %dx
    movw $0x3100, %ax             /* stay resident */
    int $0x21

fail:
    movw $fail_text, %dx
    movb $0x09, %ah
    int $0x21
    movw $0x4C01, %ax
    int $0x21

keys_name:  .ascii "KEYS.BIN\0"
fail_text:  .ascii "KEYFEED: cannot read KEYS.BIN\r\n$"
    .set script_room, 8192
script:                          /* the script is loaded here */

    .section .note.GNU-stack, "", @progbits

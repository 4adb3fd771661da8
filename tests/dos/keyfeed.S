/*
** KEYFEED.COM: a resident key feeder for end-to-end tests in DOSBox.
**
** Reads KEYS.BIN from the current directory (4-byte entries: kind, scan
** code, character code, 0), hooks INT 16h and serves functions 00h/10h
** (read) and 01h/11h (peek) from the script; every other function goes to
** the BIOS. Kinds:
**   'K' a key pressed once the program waits: only a read that finds
**       nothing waiting takes it, so a peek never sees it;
**   'B' a key typed ahead while the program is busy: a peek sees it at
**       once (and a drain loop throws it away);
**   'S' at a read: write the 38,400 bytes at A000h:0000h to SHOTnnnn.BIN,
**       then deliver F12 (scan 58h, no character);
**   'D' at a read: write the caller's data segment (DS:0000h, 65,535
**       bytes) to DATAnnnn.BIN, then go on with the next entry.
** When the script is used up every read gives Esc.
*/
    .code16
    .text
    .globl _start
_start:
    jmp install

old_int16:      .long 0
script_pos:     .word 0
script_end:     .word 0
pending:        .word 0
has_pending:    .byte 0
shot_name:      .ascii "SHOT0000.BIN\0"
data_name:      .ascii "DATA0000.BIN\0"

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

/* ZF clear and AX = key when one is waiting; ZF set otherwise. */
peek_key:
    pushw %bx
    cmpb $0, %cs:has_pending
    jne 2f
    movw %cs:script_pos, %bx
    cmpw %cs:script_end, %bx
    jae 1f
    cmpb $'B', %cs:(%bx)
    jne 1f
    movw %cs:1(%bx), %bx          /* scan, character */
    xchgb %bl, %bh
    movw %bx, %cs:pending
    movb $1, %cs:has_pending
    addw $4, %cs:script_pos
    jmp 2f
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
    jmp read_done                 /* 'K' or 'B' */
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

/*
** FILLER.COM K: stays resident holding all free conventional memory but
** K KB (one to three decimal digits), so that the next program finds at
** most K KB less its environment.
*/
    .code16
    .text
    .globl _start
_start:
    movw $0x81, %si               /* the command tail */
    xorw %bx, %bx
1:  lodsb
    cmpb $' ', %al
    je 1b
2:  subb $'0', %al
    cmpb $9, %al
    ja 3f
    movw %bx, %cx                 /* BX = BX * 10 + digit */
    shlw $1, %bx
    shlw $1, %cx
    shlw $1, %cx
    shlw $1, %cx
    addw %cx, %bx
    xorb %ah, %ah
    addw %ax, %bx
    lodsb
    jmp 2b
3:  movb $6, %cl                  /* KB to paragraphs */
    shlw %cl, %bx
    movw 2, %dx                   /* the paragraph after this block */
    movw %cs, %ax
    subw %ax, %dx
    subw %bx, %dx
    movw $0x3100, %ax
    int $0x21

    .section .note.GNU-stack, "", @progbits

#!/usr/bin/env python3
"""dos/check_8086.py on small start-up codes: 8086 code passes; each kind of
later instruction before the processor check fails the build, and one after
it does not count."""
import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "dos", "check_8086.py")
OLD = """cld; pushw %ds; movw $0x1A00, %ax; int $0x10; pushfw; popw %ax; shlw %ax;
rep stosb; movw %ax, %es; lodsb; call 1f; 1: ret; jmp _start_386"""
NEWER = {
    "32-bit register": "movl $0, %esp",
    "operand size": "pushl %eax",
    "push immediate": "pushw $1",
    "shift by a count": "shlw $4, %cx",
    "pusha": "pushaw",
    "enter and leave": "leavew",
    "FS": "movw %ax, %fs",
    "two-byte opcode": "movzbw %al, %ax",
}


def check(body, after=""):
    with tempfile.TemporaryDirectory() as d:
        src, obj, elf = (os.path.join(d, n) for n in ("t.S", "t.o", "t.elf"))
        with open(src, "w") as f:
            f.write(".code16\n.text\n.globl _start, _start_386\n_start:\n%s\n_start_386:\n%s\nmovl %%eax, %%ebx\n"
                    % (body.replace(";", "\n"), after))
        subprocess.run(["as", "--32", src, "-o", obj], check=True)
        subprocess.run(["ld", "-m", "elf_i386", "-Ttext=0", "-e", "_start", obj, "-o", elf], check=True)
        return subprocess.run([sys.executable, CHECK, elf], capture_output=True, text=True)


def main():
    failures = 0
    r = check(OLD, after="pushl %eax")
    if r.returncode != 0:
        print("check_8086 test: 8086 code was refused:\n" + r.stderr)
        failures += 1
    for name, insn in NEWER.items():
        r = check(OLD.replace("lodsb", "lodsb; " + insn))
        if r.returncode == 0:
            print(f"check_8086 test: {name} ({insn}) before the processor check was accepted")
            failures += 1
    if failures:
        sys.exit(1)
    print(f"check_8086 test: 8086 code passes, {len(NEWER)} kinds of later instructions fail")


if __name__ == "__main__":
    main()

/* Process entry of the Windows build: run the test, exit with its status. */
#include "win32/win32.h"
#include "runner/runner.h"

extern "C" __attribute__((noreturn)) void WINAPI entry(void)
{
    ExitProcess((UINT)program_main());
}

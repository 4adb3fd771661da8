// A minimal Windows program for the combined-executable test: it only ends
// with exit code 42, so a run proves that Windows (Wine) still loads the PE
// part of a combined file.
#include <windows.h>

extern "C" void WINAPI entry(void);

extern "C" void WINAPI entry(void) { ExitProcess(42); }

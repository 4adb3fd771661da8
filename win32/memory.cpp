/* Raw memory for the program allocator: fixed, zero-filled local blocks. */
#include "win32/win32.h"
#include "platform/platform.h"

void *sys_alloc(uint32_t size) { return (void *)LocalAlloc(LPTR, size); }

void sys_free(void *block) { LocalFree((HLOCAL)block); }

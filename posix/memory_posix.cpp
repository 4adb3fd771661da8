/* Raw blocks from the C heap. */
#include "platform/platform.h"

#include <stdlib.h>

void *sys_alloc(uint32_t size) { return malloc(size); }

void sys_free(void *block) { free(block); }

/* file_commit on POSIX: fsync, apart from the rest of the file layer so that
** the headless tool can count commits instead of waiting for the disk. */
#include "platform/platform.h"

#include <stdint.h>
#include <unistd.h>

int file_commit(FileHandle f)
{
    if (!f)
        return -1;
    return fsync((int)(intptr_t)f - 1) == 0 ? 0 : -1;
}

/* Size and checksum of the archive file, which name the test in the session
** journal. */
#include "archive/archive.h"
#include "base/crc32.h"
#include "platform/platform.h"

int archive_measure(uint32_t *size, uint32_t *crc)
{
    FileHandle f = file_open(archive_file_name, "rb");
    if (!f)
        return 0;
    uint8_t buffer[512];
    uint32_t n;
    *size = 0;
    *crc = 0;
    while ((n = file_read(buffer, 1, sizeof buffer, f)) > 0) {
        *size += n;
        *crc = crc32_update(*crc, buffer, n);
    }
    file_close(f);
    return 1;
}

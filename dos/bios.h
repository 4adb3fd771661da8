/* PC BIOS video and keyboard services used by the DOS build. */
#ifndef MERIDOKA_BIOS_H
#define MERIDOKA_BIOS_H

#include <stdint.h>

void bios_set_mode(uint8_t mode);
uint8_t bios_get_mode(void);
bool bios_key_ready(void);
uint16_t bios_read_key(void);   /* scan code high, character code low */
bool bios_break_seen(void);     /* Ctrl+Break or Ctrl+C since the start */
void bios_break_note(void);
uint32_t bios_ticks(void);      /* timer ticks since midnight, 18.2 a second */

#endif

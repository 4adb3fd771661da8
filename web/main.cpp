/*
** meridoka in a web page: the module's main runs the test driver once and
** tells the page how it ended. Also the raw memory of the program
** allocator, from the module's heap.
*/
#include <stdlib.h>

#include "platform/platform.h"
#include "runner/runner.h"
#include "web/web.h"

void *sys_alloc(uint32_t size) { return malloc(size); }

void sys_free(void *block) { free(block); }

void show_error(const char *text) { web_show_error(text); }

const char *result_file_name(void) { return "RESULT-W.TXT"; }

uint8_t result_text_byte(uint8_t c) { return cp866_to_cp1251(c); }

int main()
{
    int status = program_main();
    web_program_ended(status);
    return status;
}

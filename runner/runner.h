/*
** The test runner: driver, test screens, answer preview and scoring, result
** file. Run state lives in the program-wide variables below from loading
** until the end of program_main.
*/
#ifndef MERIDOKA_RUNNER_H
#define MERIDOKA_RUNNER_H

#include <stdint.h>
#include "archive/testinfo.h"

enum {
    key_none = 0,
    key_esc = 1,
    key_digit_1 = 2,   /* digits 1..9 are scan codes 2..10 */
    key_digit_9 = 10,
    key_enter = 28,
    training_items = 3
};

/* Exit statuses of program_main. */
enum { status_ran = 0, status_resources = 1, status_display = 2 };

extern TestTable *item_table;
extern void *message_table;
extern uint32_t message_length;
extern uint8_t *font_block;
extern uint32_t font_length;
extern uint8_t *answer_log;
extern int current_item;

extern const char error_resources_text[];
extern const char error_display_text[];

int program_main(void);

void show_intro(void);
void show_item(int index);
void show_wrong_popup(int show);

/* Result bits of try_answer. */
enum { answer_right = 1, answer_past_training = 2 };
int try_answer(int index, int digit);

void write_results(int answered);
uint8_t cp866_to_cp1251(uint8_t c);

/* Screen geometry of the test frame. */
enum {
    cell_width = 112,
    cell_height = 50,
    cell_pitch_x = 120,
    cell_pitch_y = 70,
    problem_x = 8,
    problem_y = 10,
    answer_y = 220
};

/* Empty-cell number (1..9 in the data) and option mask of an item. */
int item_empty_cell(const TestItem *item);
int item_option_mask(const TestItem *item);

#endif

/* Where the runner draws each part of its screens, in pixels of the
** 640x480 screen; `wdl check` measures an archive's texts and pictures
** against the same numbers. Text is the 8x8 font: a line is 8 rows, a
** paragraph line 9. The pictures' own cells are in archive/format.h. */
#ifndef MERIDOKA_RUNNER_LAYOUT_H
#define MERIDOKA_RUNNER_LAYOUT_H

enum {
    /* the instruction screen */
    instruction_x = 16,
    instruction_y = 16,
    press_key_y = 455, /* centred across the screen, to its last column */
    press_key_width = 639,

    /* the test frame: pictures left, the panel right of the divider */
    problem_x = 8,
    problem_y = 10,
    answer_y = 220,
    frame_divider_x = 360, /* down to frame_bottom_y */
    frame_middle_y = 209,  /* between the two pictures */
    frame_bottom_y = 430,
    hint_x = 10,
    hint_y = 435,

    /* the panel: heading, item counter, item text */
    panel_x = 360,
    panel_width = 280,
    heading_y = 10,
    counter_y = 42,
    counter_clear_bottom = 66, /* the counter's band, cleared for every item */
    item_text_y = 58,

    /* the remaining time (when the test shows it): centred in the panel
    ** at its foot, above frame_bottom_y, clear of the item text's usual
    ** lines and the wrong-answer box */
    time_left_y = 420,

    /* the digits over the answer picture's cells */
    label_x = 60,
    label_pitch_x = 122,
    label_y = 274,

    /* the wrong-answer box, centred in the panel around its one line */
    popup_top = 201,
    popup_bottom = 218,
    popup_margin = 4, /* box beyond the text's width plus one glyph */
    popup_text_y = 206,

    /* the ID screen and the resume offer: lines at instruction_x from
    ** instruction_y on, their keys at press_key_y */
    admin_line_pitch = 16
};

#endif

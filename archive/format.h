/*
** The test archive MERIDOKA.WDL, byte by byte, in one place: the program
** reads it, the archive tool (tools/wdl) writes and checks it, the tests
** build it. All integers are little-endian.
**
** Container
**   header, 12 bytes at offset 0: "WDLZ", u16 entry count, u16 reserved,
**                                 u32 directory offset
**   directory, 16 bytes an entry: u32 data offset, u16 stored size,
**                                 u16 unpacked size (0: stored plain),
**                                 8-byte name (zero-padded when shorter)
**   The program reaches the directory and each entry only through their
**   offsets, so gaps are free: between the header and the directory the
**   archive tool writes its name and version, zero-terminated ("wdl 1.0.0").
**   A packed entry is an LZSS stream: groups of one flag byte and up to
**   eight tokens, taken from flag bit 0 upwards; a set bit is a literal
**   byte, a clear bit a two-byte match: window position low 8 bits, then
**   its high 4 bits in the top of the second byte and length - 3 in its low
**   4 bits. The 4096-byte window starts filled with spaces and is written
**   from position 4080.
**
** Resources
**   TESTINFO  u16 item count, then per item a record of 12 + text length
**             bytes: answer (1..9), text length (text bytes including the
**             zero), u16 mask (bits 0..8 the answer cells present, bits
**             12..15 the empty cell 1..9), 8-byte picture base name, the
**             zero-terminated item text
**   MESSAGES  u16 message count, then per message u16 length L and L bytes:
**             the text and its zero byte; their meaning: message_numbers
**             A text stored without its zero byte (item or message) runs on
**             to the next zero byte of the resource; the program keeps one
**             after the resource's end (res_load_text).
**   DOS8X8RU  the font: 256 glyphs of 8 bytes, one byte per row from the
**             top, bit 7 leftmost; a text byte (CP866) is its glyph index
**   TESTTEXT  the instruction text, CP866, zero-terminated (optional)
**   NAME0     an item's problem picture, NAME1 its answers (NAME: the base
**             name of its record, at most 7 characters)
**   ADMINSET  how the test is given (optional; without it the program asks
**             nothing): a fixed record of admin_size bytes, read only when
**             its u16 length (offset 0) is admin_size and its version byte
**             (offset 2) is admin_version: ask for the participant's ID
**             (0 no, 1 yes, 2 required: Enter refused while it is empty),
**             the ID's longest length (1..32), the characters it may hold
**             (bit 0 letters A-Z, bit 1 digits 0-9, and up to 8 marks from
**             admin_marks, zero-padded), offer to resume that ID's
**             unfinished session (0/1), show the remaining time (0/1), the
**             test's time limit in minutes and an item's in seconds (u16
**             each, 0 none). Anything else in it makes the archive damaged.
**   Pictures are MonoBitmaps: a 62-byte header of which the program reads
**   only the u16 width (offset 18) and u16 height (offset 22), then rows
**   bottom row first, each ceil(width / 8) bytes padded to a multiple of 4.
**   An item's pictures are 352x190: a 3x3 grid of 112x50 cells 120 pixels
**   apart across and 70 down.
*/
#ifndef MERIDOKA_FORMAT_H
#define MERIDOKA_FORMAT_H

#include <stdint.h>

inline constexpr const char *archive_file_name = "MERIDOKA.WDL";
inline constexpr const char *archive_magic = "WDLZ";  /* 4 bytes, no zero */

enum {
    archive_header_size = 12,
    archive_count_at = 4,          /* u16 entry count */
    archive_directory_at = 8,      /* u32 directory offset */
    archive_entry_size = 16,
    entry_offset_at = 0,           /* u32 data offset */
    entry_stored_at = 4,           /* u16 stored size */
    entry_unpacked_at = 6,         /* u16 unpacked size, 0: plain */
    entry_name_at = 8,
    archive_name_size = 8,
    largest_entry = 65535          /* the stored and unpacked sizes are u16 */
};

enum {
    lzss_window_size = 4096,
    lzss_window_start = 4080,
    lzss_window_fill = 0x20,
    lzss_min_match = 3,
    lzss_max_match = 18
};

/* Resource names. */
inline constexpr const char *resource_items = "TESTINFO";
inline constexpr const char *resource_messages = "MESSAGES";
inline constexpr const char *resource_font = "DOS8X8RU";
inline constexpr const char *resource_instruction = "TESTTEXT";
inline constexpr const char *resource_admin = "ADMINSET";
enum { picture_problem_suffix = '0', picture_answers_suffix = '1', picture_base_size = 7 };

/* TESTINFO records. */
enum {
    item_record_header = 12,
    item_answer_at = 0,
    item_text_length_at = 1,
    item_mask_at = 2,              /* u16 */
    item_name_at = 4,              /* 8 bytes */
    item_text_at = 12,
    item_options_mask = 0x1FF,     /* answer cells 1..9 present */
    item_empty_shift = 12,         /* empty cell 1..9 in bits 12..15 */
    training_items = 3             /* the first items refuse a wrong answer */
};

/* MESSAGES: what each message is for. */
enum {
    msg_panel_heading = 0,         /* above the item counter, right-hand panel */
    msg_hint = 1,                  /* under the pictures */
    msg_wrong_answer = 2,          /* the box after a wrong training answer */
    msg_result_heading = 3,        /* first line of the result file */
    msg_totals_label = 4,          /* start of the result file's last line */
    msg_press_key = 5,             /* bottom of the instruction screen */
    message_count = 6,
    /* optional: the ID screen and the resume offer (built-in English texts
    ** stand in for those an archive lacks) */
    msg_id_prompt = 6,             /* above the ID as it is typed */
    msg_id_keys = 7,               /* bottom of the ID screen */
    msg_resume_heading = 8,        /* the ID has an unfinished session */
    msg_resume_item = 9,           /* before the item it reached, "12/27" */
    msg_resume_started = 10,       /* before its start, "2026-12-09 09:15" */
    msg_resume_keys = 11,          /* bottom of the resume offer */
    message_count_all = 12
};

/* ADMINSET. */
enum {
    admin_size = 20,
    admin_length_at = 0,           /* u16, admin_size */
    admin_version_at = 2,          /* admin_version */
    admin_ask_id_at = 3,           /* admin_ask_* */
    admin_id_length_at = 4,        /* 1..32 */
    admin_id_classes_at = 5,       /* admin_letters | admin_digits */
    admin_id_marks_at = 6,         /* admin_marks_size bytes */
    admin_resume_at = 14,
    admin_show_time_at = 15,
    admin_test_minutes_at = 16,    /* u16 */
    admin_item_seconds_at = 18,    /* u16 */
    admin_version = 1,
    admin_ask_no = 0, admin_ask_yes = 1, admin_ask_required = 2,
    admin_letters = 1, admin_digits = 2,
    admin_marks_size = 8,
    admin_id_longest = 32,         /* the /P: rule's length */
    admin_test_minutes_max = 600,
    admin_item_seconds_max = 3600
};
/* The marks an ID may hold: those typed without Shift, so a scan code
** gives the same one on any keyboard layout. */
inline constexpr const char *admin_marks = "-=[];'`\\,./";

/* DOS8X8RU. */
enum {
    font_glyphs = 256,
    font_glyph_size = 8,
    font_size = font_glyphs * font_glyph_size,  /* 2048 */
    glyph_full_block = 0xDB        /* blanks the answer numbers */
};

/* MonoBitmap pictures. */
enum {
    bitmap_header_size = 62,
    bitmap_width_at = 18,          /* u16 */
    bitmap_height_at = 22,         /* u16 */
    bitmap_bits_at = 28,           /* u16 bits per pixel: 1 (not read by the program) */
    picture_width = 352,
    picture_height = 190,
    cell_width = 112,
    cell_height = 50,
    cell_pitch_x = 120,
    cell_pitch_y = 70
};

#endif

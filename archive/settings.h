/*
** How the test is given, from the archive's optional ADMINSET entry (its
** record: archive/format.h): whether to ask for the participant's ID and
** which characters it may hold, whether to offer resuming, time limits.
*/
#ifndef MERIDOKA_SETTINGS_H
#define MERIDOKA_SETTINGS_H

#include <stdint.h>

#include "archive/format.h"

struct AdminSettings {
    uint8_t ask_id;          /* admin_ask_* */
    uint8_t id_length;       /* longest ID, 1..32 */
    uint8_t id_classes;      /* admin_letters | admin_digits */
    char id_marks[admin_marks_size + 1];  /* terminated */
    uint8_t offer_resume;
    uint8_t show_time;
    uint16_t test_minutes;   /* 0: no limit */
    uint16_t item_seconds;   /* 0: no limit */
};

/* What is wrong with a record; settings_ok when nothing. */
enum {
    settings_ok,
    settings_bad_length,     /* the entry or its length field is not admin_size */
    settings_bad_version,
    settings_bad_ask,
    settings_bad_id_length,
    settings_bad_characters, /* an unknown class bit, or a mark not in admin_marks */
    settings_allows_nothing, /* no letters, digits or marks: no ID can be typed */
    settings_bad_flag,       /* resume or show-time neither 0 nor 1 */
    settings_bad_test_limit,
    settings_bad_item_limit
};

/* Reads a record of `length` bytes into *out (zeroed first); a settings_*
** value. */
int settings_parse(const uint8_t *bytes, uint32_t length, AdminSettings *out);

/* The archive's settings into *out: 1 read, 1 with all zero (ask nothing)
** when the archive has no such entry, 0 when the entry is damaged. */
int settings_load(AdminSettings *out);

/* 1 when the settings let an ID hold c (ASCII). */
int settings_allow(const AdminSettings *s, char c);

#endif

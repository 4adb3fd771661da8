/*
** The program's options, one syntax on every build (README, "Command
** line"): /P:ID participant, /R resume the participant's latest unfinished
** session, /R:FILE resume that journal, /T:minutes the test's time limit,
** /? usage. Letters in any case;
** arguments are apart by spaces; double quotes group, and inside them a
** doubled quote stands for one quote. (The Linux front end and the headless
** tool turn the long forms --participant, --resume, --help, --version into
** these: posix/arguments.h.)
*/
#ifndef MERIDOKA_COMMAND_LINE_H
#define MERIDOKA_COMMAND_LINE_H

#include <stdint.h>

enum {
    participant_size = 33,   /* 32 characters and the end */
    journal_path_size = 80
};

enum { resume_none, resume_latest, resume_named };

enum {
    command_ok,
    command_usage,      /* /? asked for the usage text */
    command_refused     /* an unknown option, /P: without 1 to 32 printable ASCII characters, /T: out of range */
};

struct CommandLine {
    char participant[participant_size];   /* empty when none was given */
    char journal[journal_path_size];      /* FILE of /R:FILE */
    uint8_t resume;                       /* resume_* */
    uint16_t test_minutes;                /* /T:minutes, 1 to admin_test_minutes_max; 0 none */
    char refused[40];                     /* the argument refused; a longer one cut, ending "..." */
};

/* Reads the options in text into *out (which starts zeroed); returns a
** command_* value, the first refusal found. */
int parse_command_line(const char *text, CommandLine *out);

/* 1 when id is 1 to 32 characters from 0x21 to 0x7E, else 0. */
int valid_participant(const char *id);

#endif

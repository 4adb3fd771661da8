/*
** The program's arguments for program_arguments (platform/platform.h) on a
** system that hands over a list: the long forms Linux users expect turned
** into the program's own options, then joined into one string.
**   --participant ID, --participant=ID  ->  /P:ID
**   --resume, --resume=FILE             ->  /R, /R:FILE
**   --help, --version                   ->  /?
** Anything else goes through as it is. An argument that is empty or holds
** a byte up to the space or a double quote is put in double quotes, with
** its own double quotes doubled.
*/
#pragma once

#include <string>

std::string join_arguments(int argc, const char *const *argv);

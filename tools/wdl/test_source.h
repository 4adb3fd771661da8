// A test as the tool sees it, between its source folder and its archive.
//
// Source folder: test.json (the manifest), the font, the instruction and
// message texts and the pictures, as described in tools/wdl/README.md.
#pragma once

#include "host/admin_settings.h"
#include "host/archive_file.h"
#include "host/glyph_text.h"
#include "host/mono_png.h"
#include "host/tables.h"

#include "archive/format.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

struct Test {
    FontBytes font{};
    bool has_instruction = false;
    std::string instruction;            // CP866, without its zero byte
    std::vector<std::string> messages;  // CP866, without their zero bytes
    std::vector<Item> items;
    std::map<std::string, Picture> pictures;  // by resource name
    bool has_admin = false;             // test.json's "administration" block: ADMINSET
    AdminSettings admin{};
};

// Reads a source folder (or a manifest file). Throws Error listing every
// error found, each "FILE:LINE:COLUMN: error: ..." (source_reader.h reads
// on with the errors collected).
Test load_source(const std::string &folder_or_manifest);

// The archive's resources in their fixed order: TESTINFO, MESSAGES,
// DOS8X8RU, TESTTEXT and ADMINSET (when there are), then NAME0 and NAME1 per item
// (a picture the test lacks is left out: checking the archive reports it).
std::vector<Resource> test_resources(const Test &test);

// The resource name of an item's picture: the name's first 7 characters and '0' or '1'.
std::string picture_name(const std::string &item_name, char which);

// An item as one line of test.json: {"name": ..., "answer": ..., "cells": [...], ...}.
std::string item_json(const Item &item);

// Writes the source folder for a test: test.json, font.txt, messages.txt,
// instruction.txt (when there is one) and pictures/NAME.png.
void write_source(const std::string &folder, const Test &test);

// One messages.txt line for a message and back ("\n" for a line break).
std::string escape_message(const std::string &utf8);
std::string unescape_message(const std::string &line);

}  // namespace wdl

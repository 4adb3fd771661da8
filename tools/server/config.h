// The settings of `serve` and `check`: the same options on the command line
// and as `key = value` lines in a configuration file (`--config FILE`, the
// keys are the options' names without `--`); an option given on the command
// line outranks the file. meridoka-server.conf(5) documents the file.
#pragma once

#include "tools/server/service.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace server {

// Adds --config and every setting's option to a command.
void add_setting_options(CLI::App &command, Settings &settings, std::string &config_file);

// After parsing: the configuration file's values for the options not given
// on the command line, then the settings that must be there. One sentence
// per problem (an unreadable file, an unknown key, a value that is not one,
// a missing store or page folder); none when the settings are complete.
std::vector<std::string> settle_settings(const CLI::App &command, const std::string &config_file, Settings &settings);

// --listen split into its host and port; false when it is not HOST:PORT.
bool split_listen(const std::string &listen, std::string &host, int &port);

}  // namespace server

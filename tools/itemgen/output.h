// The generator's text output: the two manifests and the scenario scripts.
#pragma once

#include <string>
#include <vector>

#include "tools/itemgen/items.h"

namespace itemgen {

// test.json for one language ("ru" or "en").
std::string manifest(const std::vector<Item> &items, const std::string &language);

// Scenario scripts for the shared scenario format; each begins with a
// "# marks:" line: the result mark of every item, '_' for items not reached.
std::string scenario_all_right(const std::vector<Item> &items);
std::string scenario_mixed(const std::vector<Item> &items);
std::string scenario_esc_early(const std::vector<Item> &items);

}  // namespace itemgen

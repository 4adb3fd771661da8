// The records the report reads and analyses are the store's.
#pragma once

#include "store/records.h"

namespace report {

using store::ItemSeen;
using store::Response;
using store::Session;
using store::TestData;
using store::TestDefinition;
using store::training_items;

}  // namespace report

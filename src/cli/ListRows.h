#pragma once
// The rows of the message list as list and search print them: tab-separated lines in UTF-8,
// or JSON objects, one per message, with the same fields.

#include "reader/Store.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

namespace glanmail::cli {

// The column headings, then one row for each table index of ids; with recover, each row says
// whether its message is indexed, deleted or a fragment.
void PrintRows(const OpenedStore& store, const std::vector<std::size_t>& ids, bool recover, std::ostream& out);

// One message as a JSON object.
nlohmann::ordered_json JsonRow(const OpenedStore& store, std::size_t id, bool recover);

// Text already in UTF-8 (a caption, which holds the store's file name) with every control
// character made a space.
std::string Plain(std::string utf8);

// Every table index of the store, in list order.
std::vector<std::size_t> AllIds(const OpenedStore& store);

} // namespace glanmail::cli

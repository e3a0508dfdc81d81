#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kerfolio::journal {

// A JSON string literal of UTF-8 text, quotes included.
std::string JsonString(std::string_view text);

// {"key": "text", ...} of text fields, in the order given.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& textFields);

// A short name of content (16 hex digits), the same on every build, for telling two snapshots apart.
std::string Fingerprint(std::string_view content);

}  // namespace kerfolio::journal

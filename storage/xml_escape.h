#pragma once

#include <string>
#include <string_view>

namespace kerfolio {

// Text for XML content and attribute values: the five markup characters as entities, control
// characters XML cannot hold as '?', bytes that are not UTF-8 as U+FFFD.
std::string EscapeXml(std::string_view text);
void AppendEscapedXml(std::string& out, std::string_view text);

}  // namespace kerfolio

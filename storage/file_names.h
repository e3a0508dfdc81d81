#pragma once

#include <string>
#include <string_view>

namespace kerfolio {

// text as it can stand in a file name on every system the archive folder may be shared with: each of
// / \ : * ? " < > | becomes '-'. Other bytes, GBK or UTF-8, stay as they are.
std::string AsInFileName(std::string_view text);

// The archive file of a day: the date in the locale's short form, as a file name, with ".txt".
std::string ArchiveFileName(std::string_view dateText);

}  // namespace kerfolio

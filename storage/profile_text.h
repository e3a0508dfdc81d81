#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kerfolio {

// The private-profile text rules, on the GBK bytes of a whole settings file. Pure functions, so they
// can be tested and fuzzed on strings. Section and key names compare regardless of ASCII letter case;
// the first matching section header and, inside it, the first matching key are the ones that count.

// The stored value of key in section, blanks around it and one enclosing pair of quotation marks
// removed; nullopt when the section or key is absent.
std::optional<std::string_view> FindProfileValue(std::string_view fileBytes, std::string_view section,
                                                 std::string_view key);

std::string ReadProfileValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                             std::string_view defaultValue);

// fileBytes with key of section set to value. An existing value is replaced in place; a new key goes
// right after the last key line of its section, a new section at the end. New lines end in CR LF and
// every byte not part of the change stays as it was.
std::string SetProfileValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                            std::string_view value);

// What to write so that value reads back as it is: reading drops the blanks around a value and one
// enclosing pair of quotation marks, so a value beginning or ending with either gets one more pair.
std::string ValueThatReadsBack(std::string_view value);

// Why section and key cannot be stored so that they read back, or nullopt when they can.
std::optional<std::string> ProfileNameProblem(std::string_view section, std::string_view key);

}  // namespace kerfolio

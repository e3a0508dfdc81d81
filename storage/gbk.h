#pragma once

#include <string>
#include <string_view>

namespace kerfolio {

// Texts live as UTF-8 inside the program and as GBK (code page 936) in every file we write.

// A character GBK cannot hold becomes "?", and so does every byte of malformed UTF-8.
std::string ToGbk(std::string_view utf8);

// The characters of utf8 that GBK cannot hold, each once, in the order they first appear; empty when
// ToGbk would keep every character. A malformed UTF-8 byte counts as U+FFFD.
std::string CharactersOutsideGbk(std::string_view utf8);

// A byte that does not start a valid GBK character decodes to U+FFFD and decoding goes on with the
// next byte, so a damaged file still shows everything around the damage.
std::string FromGbk(std::string_view gbk);

// Length in bytes (1 or 2) of the GBK character starting at text[pos]; a lead byte without a valid
// trail byte counts as one byte. Lets byte-level code step over double-byte characters whose second
// byte looks like ASCII ("]", "\\", letters).
std::size_t GbkCharLength(std::string_view text, std::size_t pos);

// The longest prefix of text with at most maxBytes bytes that does not split a character.
std::string_view GbkPrefix(std::string_view text, std::size_t maxBytes);

}  // namespace kerfolio

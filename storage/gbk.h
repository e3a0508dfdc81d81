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
// Inline: readers call it for every byte of a file.
inline std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x81 || lead == 0xFF || pos + 1 >= text.size()) return 1;
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    return (trail >= 0x40 && trail != 0x7F && trail != 0xFF) ? 2 : 1;
}

// The longest prefix of text with at most maxBytes bytes that does not split a character.
std::string_view GbkPrefix(std::string_view text, std::size_t maxBytes);

}  // namespace kerfolio

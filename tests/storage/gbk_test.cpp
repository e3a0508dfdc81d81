#include "storage/gbk.h"

#include <gtest/gtest.h>

namespace kerfolio {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

struct Conversion {
    const char* name;
    std::string utf8;
    std::string gbk;
};

TEST(GbkTest, ToGbkEncodesAndReplacesWhatItCannotHold) {
    const Conversion cases[] = {
        {"ascii", "save.ini", "save.ini"},
        {"machine name", "机床1",
         "\xBB\xFA\xB4\xB2"
         "1"},
        {"euro sign of code page 936", "€", "\x80"},
        {"hangul is outside GBK", "a한b", "a?b"},
        {"emoji is outside GBK", "😀", "?"},
        {"stray continuation byte", "a\x80z", "a?z"},
        {"cut multibyte sequence", "\xE6\x9C", "??"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"bytes never in UTF-8", "\xFF\xFE", "??"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToGbk(c.utf8), c.gbk) << c.name;
}

TEST(GbkTest, FromGbkDecodesAndReplacesInvalidBytes) {
    const Conversion cases[] = {
        {"machine name", "机床1",
         "\xBB\xFA\xB4\xB2"
         "1"},
        {"lead byte at the end", std::string("a") + kReplacement, "a\x81"},
        {"lead byte before a line break keeps the break", std::string(kReplacement) + "\r\n", "\x81\r\n"},
        {"0xFF is never a character", std::string("x") + kReplacement + "y", "x\xFFy"},
        {"zero bytes pass through", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromGbk(c.gbk), c.utf8) << c.name;
}

TEST(GbkTest, LongTextsConvertBothWays) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "行" + std::to_string(i) + "\r\n";
    EXPECT_EQ(FromGbk(ToGbk(utf8)), utf8);
}

TEST(GbkTest, PrefixNeverSplitsADoubleByteCharacter) {
    const std::string text = ToGbk("a机床");  // 1 + 2 + 2 bytes
    EXPECT_EQ(GbkPrefix(text, 5), text);
    EXPECT_EQ(GbkPrefix(text, 4), ToGbk("a机"));
    EXPECT_EQ(GbkPrefix(text, 2), "a");
    EXPECT_EQ(GbkPrefix(text, 0), "");
    EXPECT_EQ(GbkPrefix("\x81", 1), "\x81");  // a lone lead byte counts as one byte
}

}  // namespace
}  // namespace kerfolio

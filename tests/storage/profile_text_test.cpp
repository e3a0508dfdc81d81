#include "storage/profile_text.h"

#include <gtest/gtest.h>

#include <optional>

namespace kerfolio {
namespace {

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> value;  // nullopt: the key is not seen
};

TEST(ProfileReadTest, HandWrittenFiles) {
    const ReadCase cases[] = {
        {"plain", "[save]\r\nE=3\r\n", "save", "E", "3"},
        {"names ignore letter case", "[SaVe]\r\ne=3\r\n", "save", "E", "3"},
        {"blanks around names, = and value", "  [ save ]  \r\n \t E \t= \t3 4\t \r\n", "save", "E", "3 4"},
        {"double quotes removed, blanks inside kept", "[s]\r\nk=  \" a b \"  \r\n", "s", "k", " a b "},
        {"single quotes removed", "[s]\r\nk='x'\r\n", "s", "k", "x"},
        {"only the outermost pair", "[s]\r\nk=\"\"x\"\"\r\n", "s", "k", "\"x\""},
        {"unmatched quotes kept", "[s]\r\nk=\"x'\r\n", "s", "k", "\"x'"},
        {"a lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"empty quotes are empty", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
        {"comment line", "[s]\r\n;k=1\r\n", "s", "k", std::nullopt},
        {"indented comment line", "[s]\r\n \t;k=1\r\n", "s", "k", std::nullopt},
        {"# is an ordinary character", "[s]\r\n#k=1\r\n", "s", "#k", "1"},
        {"; inside a value is kept", "[s]\r\nk=1 ; 2\r\n", "s", "k", "1 ; 2"},
        {"lines before the first section", "k=1\r\n[s]\r\n", "s", "k", std::nullopt},
        {"text after ] ignored", "[s] ; note\r\nk=1\r\n", "s", "k", "1"},
        {"a line without = is not a key", "[s]\r\nk\r\nk=2\r\n", "s", "k", "2"},
        {"first of a repeated key", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
        {"keys under a repeated header unseen", "[s]\r\na=1\r\n[t]\r\n[S]\r\nk=2\r\n", "s", "k",
         std::nullopt},
        {"first header of a repeat is read", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "1"},
        {"key of another section", "[t]\r\nk=1\r\n[s]\r\n", "s", "k", std::nullopt},
        {"CR line endings", "[s]\rj=1\rk=2\r", "s", "k", "2"},
        {"LF line endings", "[s]\nj=1\nk=2", "s", "k", "2"},
        {"CR LF without final break", "[s]\r\nk=2", "s", "k", "2"},
        {"empty value exists", "[s]\r\nk=\r\n", "s", "k", ""},
        {"missing section", "[t]\r\nk=1\r\n", "s", "k", std::nullopt},
        {"empty file", "", "s", "k", std::nullopt},
        {"first = splits", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        {"] as second byte of a GBK name", "[\x81]]\r\nk=1\r\n", "\x81]", "k", "1"},
        {"second byte of a GBK name never folds", "[\x81\x41]\r\nk=1\r\n", "\x81\x61", "k", std::nullopt},
    };
    for (const auto& c : cases) {
        auto value = FindProfileValue(c.file, c.section, c.key);
        EXPECT_EQ(value ? std::optional<std::string>(*value) : std::nullopt, c.value) << c.name;
    }
}

TEST(ProfileReadTest, DefaultOnlyWhenMissing) {
    EXPECT_EQ(ReadProfileValue("[s]\r\nk=\r\n", "s", "k", "d"), "");
    EXPECT_EQ(ReadProfileValue("[s]\r\n", "s", "k", "d"), "d");
}

struct WriteCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string value;
    std::string expected;
};

TEST(ProfileWriteTest, ChangesOnlyWhatItMust) {
    const WriteCase cases[] = {
        {"value replaced in place, spelling kept", "; c\r\n[Save]\r\n  Aa1 = old  \r\nx=1\r\n", "save", "aa1",
         "new", "; c\r\n[Save]\r\n  Aa1 = new\r\nx=1\r\n"},
        {"quoted value replaced", "[s]\r\nk=\"a b\"\r\n", "s", "k", "c", "[s]\r\nk=c\r\n"},
        {"LF file keeps LF", "[s]\nk=1\nj=2\n", "s", "k", "9", "[s]\nk=9\nj=2\n"},
        {"new key after the last key, before comments and blanks",
         "[s]\r\na=1\r\nb=2\r\n; note\r\n\r\n[t]\r\n", "s", "c", "3",
         "[s]\r\na=1\r\nb=2\r\nc=3\r\n; note\r\n\r\n[t]\r\n"},
        {"new key skips nothing but key lines", "[s]\r\na=1\r\nno key\r\nb=2\r\n\r\n", "s", "c", "3",
         "[s]\r\na=1\r\nno key\r\nb=2\r\nc=3\r\n\r\n"},
        {"new key in a section without keys", "[s]\r\n\r\n[t]\r\n", "s", "c", "3",
         "[s]\r\nc=3\r\n\r\n[t]\r\n"},
        {"new key after a last line without break", "[s]\r\na=1", "s", "c", "3", "[s]\r\na=1\r\nc=3\r\n"},
        {"new key after a header without break", "[s]", "s", "c", "3", "[s]\r\nc=3\r\n"},
        {"new section after a missing break", "[s]\r\na=1", "t", "c", "3", "[s]\r\na=1\r\n[t]\r\nc=3\r\n"},
        {"new section after LF", "[s]\na=1\n", "t", "c", "3", "[s]\na=1\n[t]\r\nc=3\r\n"},
        {"new file", "", "t", "c", "3", "[t]\r\nc=3\r\n"},
        {"repeated header: first one changes", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "b", "9",
         "[s]\r\na=1\r\nb=9\r\n[s]\r\nb=2\r\n"},
        {"repeated key: first one changes", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "9", "[s]\r\nk=9\r\nk=2\r\n"},
        {"CR-only file", "[s]\ra=1\r[t]\r", "s", "b", "2", "[s]\ra=1\rb=2\r\n[t]\r"},
        {"empty value", "[s]\r\nk=1\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
        {"value into an empty one", "[s]\r\nk=\r\n", "s", "k", "1", "[s]\r\nk=1\r\n"},
        {"lines before the first section stay", "k=1\r\n", "s", "k", "2", "k=1\r\n[s]\r\nk=2\r\n"},
    };
    for (const auto& c : cases) {
        const std::string written = SetProfileValue(c.file, c.section, c.key, c.value);
        EXPECT_EQ(written, c.expected) << c.name;
        EXPECT_EQ(FindProfileValue(written, c.section, c.key), std::optional<std::string_view>(c.value))
            << c.name;
    }
}

TEST(ProfileWriteTest, NamesThatCannotReadBackAreRefused) {
    EXPECT_EQ(ProfileNameProblem("save", "E"), std::nullopt);
    EXPECT_EQ(ProfileNameProblem("机床", "名称"), std::nullopt);
    const std::pair<std::string, std::string> bad[] = {
        {"", "k"},    {"s]", "k"}, {" s", "k"}, {"s\n", "k"}, {"s", ""},
        {"s", "a=b"}, {"s", ";k"}, {"s", "[k"}, {"s", "k "},  {"s", "k\r"},
    };
    for (const auto& [section, key] : bad)
        EXPECT_NE(ProfileNameProblem(section, key), std::nullopt) << section << key;
}

TEST(ProfileWriteTest, ValuesWrittenToReadBackComeBackAsTyped) {
    const struct {
        std::string value;
        std::string written;
    } cases[] = {
        {"4826", "4826"},  // ordinary values are written as they are
        {"a b", "a b"},       {"", ""},
        {"pw ", "\"pw \""},   {" pw", "\" pw\""},
        {"\tpw", "\"\tpw\""}, {"\"pw\"", "\"\"pw\"\""},
        {"'pw'", "\"'pw'\""}, {"\"pw", "\"\"pw\""},
        {"pw'", "\"pw'\""},   {"\"", "\"\"\""},
        {" ", "\" \""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ValueThatReadsBack(c.value), c.written) << "[" << c.value << "]";
        const std::string file = SetProfileValue("", "enter", "1", ValueThatReadsBack(c.value));
        EXPECT_EQ(ReadProfileValue(file, "enter", "1", "<none>"), c.value) << "[" << c.value << "]";
    }
}

}  // namespace
}  // namespace kerfolio

#include <gtest/gtest.h>

#include "board/conversion_error.h"
#include "board/integer_text.h"

namespace kerfolio {
namespace {

TEST(IntegerText, AcceptedFormsAndTheirValues) {
    struct Case {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"0", 0},
        {"-5", -5},
        {"+7", 7},
        {"  12", 12},
        {"$1F", 31},
        {"0x1f", 31},
        {"0X1F", 31},
        {"x10", 16},
        {"X10", 16},
        {"-2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"-$10", -16},
        {"$000000001", 1},  // leading zeros are not significant
        {"007", 7},
        {"00000000000000000001500", 1500},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsIntegerText(c.text)) << c.text;
        EXPECT_EQ(ParseIntegerText(c.text), c.value) << c.text;
    }
}

TEST(IntegerText, RefusedForms) {
    for (const char* text :
         {"",   " ", "12 ", "1.5", "12mm",       "-",  "$",  "+-5",  "2147483648", "-2147483649",
          "0x", "x", "1e3", "\t5", "$123456789", "$G", "5-", " - 5", "0x-1",       "١٢"}) {
        EXPECT_FALSE(IsIntegerText(text)) << text;
        try {
            ParseIntegerText(text);
            ADD_FAILURE() << text;
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace kerfolio

// Figures are written by hand for speed; they must say exactly what printf says.
#include "reports/figures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace kerfolio {
namespace {

std::string Printf(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

TEST(FiguresTest, OneDecimalAsPrintfWritesIt) {
    const double cases[] = {0.0,
                            -0.0,
                            0.04,
                            -0.04,
                            0.05,
                            0.15,
                            0.25,
                            0.35,
                            0.45,
                            1.25,
                            2.675,
                            123456.75,
                            -123456.75,
                            99.95,
                            99.949999,
                            99999999.95,
                            1e8,
                            1e8 + 0.05,
                            1e15 + 0.5,
                            1e300,
                            5e-324,
                            0.0999999,
                            0.1,
                            1.0 / 3,
                            -2.0 / 3,
                            33.333333,
                            -99999999.94,
                            30.0,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::nan("")};
    for (const double value : cases)
        EXPECT_EQ(OneDecimal(value), Printf(value)) << value;

    // Values as reports make them: quotients of whole numbers of seconds and square millimetres, and
    // chart coordinates.
    std::mt19937_64 random(7);
    for (int i = 0; i < 200'000; ++i) {
        const double amount = double(random() % 2'000'000);
        const double seconds = double(random() % 3'000'000 + 1);
        const double value =
            i % 2 == 0 ? amount / (seconds / 60.0) : 48.0 + double(random() % 100'000) / 640.0 * 3;
        ASSERT_EQ(OneDecimal(value), Printf(value)) << value;
        ASSERT_EQ(OneDecimal(-value), Printf(-value)) << -value;
    }
}

}  // namespace
}  // namespace kerfolio

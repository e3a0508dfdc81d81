// Figures and charts: numbers say exactly what printf says, and charts stay readable.
#include "reports/figures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <regex>

#include "reports/svg_charts.h"
#include "reports/text_width.h"

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

namespace kerfolio {
namespace {

// The labels along a chart's horizontal axis, with where they stand.
std::vector<std::pair<double, std::string>> AxisLabels(const std::string& svg) {
    static const std::regex label(
        R"re(<text x="([0-9.]+)" y="202\.0" text-anchor="middle" font-size="10">([^<]*)</text>)re");
    std::vector<std::pair<double, std::string>> labels;
    for (std::sregex_iterator it(svg.begin(), svg.end(), label), end; it != end; ++it)
        labels.emplace_back(std::stod((*it)[1]), (*it)[2]);
    return labels;
}

TEST(ChartTest, AxisLabelsNeverRunIntoEachOther) {
    struct Case {
        const char *first, *last;
        Grouping grouping;
    } cases[] = {
        {"2026-01-01", "2026-12-31", Grouping::Week},  // 53 labels of "12-29 – 01-04"
        {"2026-01-01", "2026-03-31", Grouping::Week}, {"2026-12-01", "2026-12-31", Grouping::Day},
        {"2026-01-01", "2026-12-31", Grouping::Day},  {"2025-01-01", "2026-12-31", Grouping::Month},
        {"2025-12-01", "2026-02-28", Grouping::Week},  // weeks with their year
    };
    for (const auto& c : cases) {
        const Day first = *ParseIsoDate(c.first), last = *ParseIsoDate(c.last);
        const std::vector<Period> periods = PeriodsBetween(first, last, c.grouping);
        for (const std::string& svg : {StackedTimeChart(periods, {}), ShareChart(periods, {})}) {
            const auto labels = AxisLabels(svg);
            ASSERT_GE(labels.size(), 2u) << c.first << " " << c.last;
            EXPECT_EQ(labels.front().second, periods.front().label);
            for (std::size_t i = 1; i < labels.size(); ++i) {
                // A column of text at font size 10 is at most 6 pixels wide: half of each label either side.
                const double room =
                    3.0 * double(DisplayWidth(labels[i - 1].second) + DisplayWidth(labels[i].second));
                EXPECT_GE(labels[i].first - labels[i - 1].first, room)
                    << c.first << " " << c.last << ": " << labels[i - 1].second << " | " << labels[i].second;
            }
        }
    }
}

TEST(ChartTest, ShopChartNamesEveryMachine) {
    for (const std::size_t count : {1u, 4u, 6u, 12u}) {
        std::vector<PeriodSums> machines(count);
        for (std::size_t i = 0; i < count; ++i) {
            machines[i].machine = "车间二号电脑/中走丝" + std::to_string(i + 1) + "号";
            machines[i].net = 3600 * std::int64_t(i + 1);
        }
        const auto labels = AxisLabels(MachinesChart(machines));
        ASSERT_EQ(labels.size(), count);
        for (std::size_t i = 1; i < labels.size(); ++i)
            EXPECT_GE(labels[i].first - labels[i - 1].first, 6.0 * double(DisplayWidth(labels[i].second)));
    }
}

}  // namespace
}  // namespace kerfolio

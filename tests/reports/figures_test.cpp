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
        R"re(<text class="label" x="([0-9.]+)" y="202\.0" text-anchor="middle" font-size="10">([^<]*)</text>)re");
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

// Every text of one class in a chart, with where it starts.
std::vector<std::pair<double, std::string>> Texts(const std::string& svg, const std::string& textClass) {
    const std::regex text("<text class=\"" + textClass + R"re(" x="([0-9.]+)"[^>]*>([^<]*)</text>)re");
    std::vector<std::pair<double, std::string>> texts;
    for (std::sregex_iterator it(svg.begin(), svg.end(), text), end; it != end; ++it)
        texts.emplace_back(std::stod((*it)[1]), (*it)[2]);
    return texts;
}

double SvgWidth(const std::string& svg) {
    std::smatch width;
    EXPECT_TRUE(std::regex_search(svg, width, std::regex(R"re(<svg[^>]* width="([0-9.]+)")re")));
    return std::stod(width[1]);
}

TEST(ChartTest, EverySeriesNamedEveryBarLabelledAxisJustAboveTheData) {
    struct Case {
        const char *first, *last;
        Grouping grouping;
        double hoursPerPeriod;
        double axisTop;  // the round value next above the highest bar
    } cases[] = {
        {"2026-01-01", "2026-03-31", Grouping::Month, 504, 600},  // three bars
        {"2026-03-01", "2026-03-31", Grouping::Month, 300, 300},  // one bar
        {"2026-03-01", "2026-03-03", Grouping::Day, 24, 25},
        {"2026-03-01", "2026-03-31", Grouping::Day, 7.5, 8},
        {"2026-01-01", "2026-12-31", Grouping::Day, 0.3, 0.3},
        {"2026-01-01", "2026-12-31", Grouping::Week, 130, 150},
    };
    for (const auto& c : cases) {
        const std::vector<Period> periods =
            PeriodsBetween(*ParseIsoDate(c.first), *ParseIsoDate(c.last), c.grouping);
        std::vector<PeriodSums> sums(periods.size());
        std::vector<const PeriodSums*> pointers;
        for (std::size_t i = 0; i < periods.size(); ++i) {
            sums[i].period = periods[i];
            sums[i].net = std::int64_t(c.hoursPerPeriod * 3600 * 0.8);
            sums[i].jump = std::int64_t(c.hoursPerPeriod * 3600 * 0.1);
            sums[i].wireBreak = std::int64_t(c.hoursPerPeriod * 3600 * 0.1);
            sums[i].share = 0.5;
            pointers.push_back(&sums[i]);
        }
        const std::string hours = StackedTimeChart(periods, pointers);
        const std::string what = std::string(c.first) + " " + c.last;
        for (const std::string& svg : {hours, ShareChart(periods, pointers)}) {
            // Each legend entry: a 10 px swatch, then its name, at most 12 px a Chinese character.
            const double width = SvgWidth(svg);
            for (const auto& [x, name] : Texts(svg, "legend"))
                EXPECT_LE(x + 12.0 * double(DisplayWidth(name)) / 2, width) << what << " " << name;
            // Labels on every bar, or on every n-th alike, the first always.
            const auto labels = AxisLabels(svg);
            ASSERT_FALSE(labels.empty()) << what;
            const std::size_t every = (periods.size() + labels.size() - 1) / labels.size();
            for (std::size_t i = 0; i < labels.size(); ++i)
                EXPECT_EQ(labels[i].second, periods[i * every].label) << what;
            if (periods.size() <= 3) {
                EXPECT_EQ(labels.size(), periods.size()) << what;
            }
        }
        std::vector<std::string> legend;
        for (const auto& [x, name] : Texts(hours, "legend"))
            legend.push_back(name);
        EXPECT_EQ(legend, (std::vector<std::string>{"净切割", "跳步", "断丝"})) << what;
        const auto axis = Texts(hours, "axis");
        ASSERT_FALSE(axis.empty());
        EXPECT_NEAR(std::stod(axis.back().second), c.axisTop, 1e-9) << what;
    }
}

}  // namespace
}  // namespace kerfolio

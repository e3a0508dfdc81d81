#include "reports/svg_charts.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/text_width.h"

namespace kerfolio {
namespace {

constexpr double kLeft = 48, kRight = 12, kTop = 28, kPlotHeight = 160, kBottom = 40;
constexpr char kCuttingColour[] = "#2e7d32", kJumpColour[] = "#f9a825", kBreakColour[] = "#c62828",
               kShareColour[] = "#1565c0";

// Appends to an SVG text without a temporary string per piece: a year by day is thousands of bars.
class Svg {
  public:
    explicit Svg(std::string& out) : out_(out) {}
    Svg& operator<<(std::string_view text) {
        out_ += text;
        return *this;
    }
    // Coordinates and figures, with one decimal.
    Svg& operator<<(double number) {
        AppendOneDecimal(out_, number);
        return *this;
    }

  private:
    std::string& out_;
};

// The axis's step and top: a step of 1, 2 or 5 times a power of ten, about five of them, and the
// first multiple of it at or above value, so the data fills most of the chart.
struct Axis {
    double step = 1, top = 1;
};
Axis RoundAxis(double value) {
    if (!(value > 0)) return {0.25, 1};
    const double rough = value / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10 * power;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            step = factor * power;
            break;
        }
    }
    return {step, std::max(step, std::ceil(value / step - 1e-9) * step)};
}

struct Frame {
    double width;
    double slot;  // horizontal room per period
    double bar;   // width of a bar
    std::string svg;
};

// Room a label takes: at font size 10 figures and Latin letters take up to 6 pixels, Chinese characters
// 10 to 12 (two columns); and a gap.
double LabelRoom(const std::vector<std::string>& labels) {
    std::size_t widest = 1;
    for (const std::string& label : labels)
        widest = std::max(widest, DisplayWidth(label));
    return double(widest) * 6.0 + 8;
}

// Each legend entry: a swatch, its name and a gap; the plot is never narrower than the legend.
constexpr double kLegendEntry = 80, kMinPlot = 3 * kLegendEntry + 40;

void AppendAxisValue(std::string& out, double value) {
    // Whole numbers without ".0"; steps below 1 keep their one decimal.
    if (value == std::floor(value))
        out += std::to_string(static_cast<long long>(value));
    else
        AppendOneDecimal(out, value);
}

// The SVG element, its horizontal axis with labels (every one, or every n-th alike where they would run
// into each other; with everyLabel the chart widens instead) and a vertical axis from 0 to the top.
Frame OpenFrame(const std::vector<std::string>& labels, Axis axis, const std::string& unit,
                const std::string& title, double widestSlot = 48.0, bool everyLabel = false) {
    Frame frame;
    const double count = double(std::max<std::size_t>(labels.size(), 1));
    frame.slot = std::clamp(640.0 / count, 3.0, widestSlot);
    if (everyLabel) frame.slot = std::max(frame.slot, LabelRoom(labels));
    frame.slot = std::max(frame.slot, kMinPlot / count);
    frame.bar = std::min(frame.slot * 0.7, widestSlot * 0.7);
    frame.width = kLeft + kRight + frame.slot * count;
    const double height = kTop + kPlotHeight + kBottom;
    Svg svg(frame.svg);
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << frame.width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << frame.width << " " << height << "\" role=\"img\"><title>"
        << EscapeXml(title) << "</title>";
    const double bottom = kTop + kPlotHeight;
    const int ticks = int(std::lround(axis.top / axis.step));
    for (int tick = 0; tick <= ticks; ++tick) {
        const double y = bottom - kPlotHeight * tick / double(ticks);
        svg << "<line x1=\"" << kLeft << "\" y1=\"" << y << "\" x2=\"" << frame.width - kRight << "\" y2=\""
            << y << "\" stroke=\"#ddd\"/>";
        svg << "<text class=\"axis\" x=\"" << kLeft - 4 << "\" y=\"" << y + 4
            << "\" text-anchor=\"end\" font-size=\"10\">";
        AppendAxisValue(frame.svg, axis.step * tick);
        svg << "</text>";
    }
    svg << "<text x=\"4\" y=\"14\" font-size=\"11\">" << EscapeXml(unit) << "</text>";
    const std::size_t every =
        std::max<std::size_t>(1, std::size_t(std::ceil(LabelRoom(labels) / frame.slot)));
    for (std::size_t i = 0; i < labels.size(); i += every) {
        const double x = kLeft + frame.slot * (double(i) + 0.5);
        svg << "<text class=\"label\" x=\"" << x << "\" y=\"" << bottom + 14
            << "\" text-anchor=\"middle\" font-size=\"10\">" << EscapeXml(labels[i]) << "</text>";
    }
    return frame;
}

std::map<Day, const PeriodSums*> ByPeriod(const std::vector<const PeriodSums*>& sums) {
    std::map<Day, const PeriodSums*> map;
    for (const PeriodSums* s : sums)
        map[s->period.first] = s;
    return map;
}

void AppendLegend(std::string& out, double y,
                  const std::vector<std::pair<const char*, const char*>>& entries) {
    Svg svg(out);
    double x = kLeft;
    for (const auto& [colour, label] : entries) {
        svg << "<rect x=\"" << x << "\" y=\"" << y - 9 << "\" width=\"10\" height=\"10\" fill=\"" << colour
            << "\"/><text class=\"legend\" x=\"" << x + 14 << "\" y=\"" << y << "\" font-size=\"11\">"
            << label << "</text>";
        x += kLegendEntry;
    }
}

std::vector<std::string> Labels(const std::vector<Period>& periods) {
    std::vector<std::string> labels;
    labels.reserve(periods.size());
    for (const Period& period : periods)
        labels.push_back(period.label);
    return labels;
}

// Stacked bars of cutting, jump and wire-break hours, one per label; a slot without sums stays empty.
std::string StackedBars(const std::vector<std::string>& labels, const std::vector<const PeriodSums*>& bars,
                        double widestSlot, bool everyLabel) {
    double highest = 0;
    for (const PeriodSums* s : bars) {
        if (s) highest = std::max(highest, double(s->net + s->jump + s->wireBreak) / 3600.0);
    }
    const Axis axis = RoundAxis(highest);
    const double top = axis.top;
    Frame frame =
        OpenFrame(labels, axis, rmsg::kChartHours,
                  std::string(rmsg::kChartCutting) + "/" + rmsg::kChartJump + "/" + rmsg::kChartBreak,
                  widestSlot, everyLabel);
    const double bottom = kTop + kPlotHeight;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!bars[i]) continue;
        const PeriodSums& s = *bars[i];
        double y = bottom;
        const std::pair<std::int64_t, const char*> parts[] = {
            {s.net, kCuttingColour}, {s.jump, kJumpColour}, {s.wireBreak, kBreakColour}};
        for (const auto& [seconds, colour] : parts) {
            const double height = kPlotHeight * (double(seconds) / 3600.0) / top;
            if (height <= 0) continue;
            y -= height;
            Svg(frame.svg) << "<rect x=\"" << kLeft + frame.slot * (double(i) + 0.5) - frame.bar / 2
                           << "\" y=\"" << y << "\" width=\"" << frame.bar << "\" height=\"" << height
                           << "\" fill=\"" << colour << "\"><title>" << EscapeXml(labels[i]) << " "
                           << FormatDuration(seconds) << "</title></rect>";
        }
    }
    AppendLegend(frame.svg, kTop + kPlotHeight + 34,
                 {{kCuttingColour, rmsg::kChartCutting},
                  {kJumpColour, rmsg::kChartJump},
                  {kBreakColour, rmsg::kChartBreak}});
    return frame.svg + "</svg>";
}

}  // namespace

std::vector<Period> PeriodsBetween(Day first, Day last, Grouping grouping) {
    if (grouping == Grouping::Total) return {PeriodOf(first, grouping)};
    std::vector<Period> periods;
    for (Period p = PeriodOf(first, grouping); p.first <= last;
         p = PeriodOf(p.last + std::chrono::days(1), grouping))
        periods.push_back(p);
    return periods;
}

std::string StackedTimeChart(const std::vector<Period>& periods, const std::vector<const PeriodSums*>& sums) {
    const auto byPeriod = ByPeriod(sums);
    std::vector<const PeriodSums*> bars;
    for (const Period& period : periods) {
        const auto found = byPeriod.find(period.first);
        bars.push_back(found == byPeriod.end() ? nullptr : found->second);
    }
    return StackedBars(Labels(periods), bars, 48.0, false);
}

std::string MachinesChart(const std::vector<PeriodSums>& machines) {
    std::vector<std::string> labels;
    std::vector<const PeriodSums*> bars;
    for (const PeriodSums& machine : machines) {
        labels.push_back(machine.machine);
        bars.push_back(&machine);
    }
    // Every machine is named, however many there are.
    return StackedBars(labels, bars, 96.0, true);
}

std::string ShareChart(const std::vector<Period>& periods, const std::vector<const PeriodSums*>& sums) {
    const auto byPeriod = ByPeriod(sums);
    double highest = 0;
    for (const PeriodSums* s : sums)
        highest = std::max(highest, s->share * 100.0);
    // A share is of the whole period: 100 % is the top, unless the data runs over it.
    const Axis axis = highest <= 100.0 ? Axis{25, 100} : RoundAxis(highest);
    const double top = axis.top;
    Frame frame = OpenFrame(Labels(periods), axis, "%", rmsg::kChartShare);
    const double bottom = kTop + kPlotHeight;
    std::string points;
    std::string dots;
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const auto found = byPeriod.find(periods[i].first);
        const double share = found == byPeriod.end() ? 0.0 : found->second->share * 100.0;
        const double x = kLeft + frame.slot * (double(i) + 0.5);
        const double y = bottom - kPlotHeight * share / top;
        Svg(points) << (points.empty() ? "" : " ") << x << "," << y;
        Svg(dots) << "<circle cx=\"" << x << "\" cy=\"" << y << "\" r=\"2.5\" fill=\"" << kShareColour
                  << "\"><title>" << EscapeXml(periods[i].label) << " " << FormatDecimal(share)
                  << "%</title></circle>";
    }
    Svg(frame.svg) << "<polyline fill=\"none\" stroke=\"" << kShareColour << "\" stroke-width=\"2\" points=\""
                   << points << "\"/>" << dots;
    AppendLegend(frame.svg, kTop + kPlotHeight + 34, {{kShareColour, rmsg::kChartShare}});
    return frame.svg + "</svg>";
}

}  // namespace kerfolio

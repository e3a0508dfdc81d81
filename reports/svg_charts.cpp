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

// A round top for the axis at or above value: 1, 2 or 5 times a power of ten.
double NiceCeiling(double value) {
    if (value <= 0) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= value) return step * power;
    }
    return 10 * power;
}

struct Frame {
    double width;
    double slot;  // horizontal room per period
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

// The SVG element, its horizontal axis with labels (as many as fit without running into each other;
// with everyLabel the chart widens instead) and a vertical axis from 0 to top.
Frame OpenFrame(const std::vector<std::string>& labels, double top, const std::string& unit,
                const std::string& title, double widestSlot = 48.0, bool everyLabel = false) {
    Frame frame;
    frame.slot = std::clamp(640.0 / double(std::max<std::size_t>(labels.size(), 1)), 3.0, widestSlot);
    if (everyLabel) frame.slot = std::max(frame.slot, LabelRoom(labels));
    frame.width = kLeft + kRight + frame.slot * double(labels.size());
    const double height = kTop + kPlotHeight + kBottom;
    Svg svg(frame.svg);
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << frame.width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << frame.width << " " << height << "\" role=\"img\"><title>"
        << EscapeXml(title) << "</title>";
    const double bottom = kTop + kPlotHeight;
    for (int tick = 0; tick <= 4; ++tick) {
        const double y = bottom - kPlotHeight * tick / 4.0;
        svg << "<line x1=\"" << kLeft << "\" y1=\"" << y << "\" x2=\"" << frame.width - kRight << "\" y2=\""
            << y << "\" stroke=\"#ddd\"/>";
        svg << "<text x=\"" << kLeft - 4 << "\" y=\"" << y + 4 << "\" text-anchor=\"end\" font-size=\"10\">"
            << top * tick / 4.0 << "</text>";
    }
    svg << "<text x=\"4\" y=\"14\" font-size=\"11\">" << EscapeXml(unit) << "</text>";
    const std::size_t every =
        std::max<std::size_t>(1, std::size_t(std::ceil(LabelRoom(labels) / frame.slot)));
    for (std::size_t i = 0; i < labels.size(); i += every) {
        const double x = kLeft + frame.slot * (double(i) + 0.5);
        svg << "<text x=\"" << x << "\" y=\"" << bottom + 14 << "\" text-anchor=\"middle\" font-size=\"10\">"
            << EscapeXml(labels[i]) << "</text>";
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
            << "\"/><text x=\"" << x + 14 << "\" y=\"" << y << "\" font-size=\"11\">" << label << "</text>";
        x += 80;
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
    const double top = NiceCeiling(highest);
    Frame frame =
        OpenFrame(labels, top, rmsg::kChartHours,
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
            Svg(frame.svg) << "<rect x=\"" << kLeft + frame.slot * double(i) + frame.slot * 0.15 << "\" y=\""
                           << y << "\" width=\"" << frame.slot * 0.7 << "\" height=\"" << height
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
    const double top = std::max(100.0, NiceCeiling(highest));
    Frame frame = OpenFrame(Labels(periods), top, "%", rmsg::kChartShare);
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

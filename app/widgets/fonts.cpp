#include "app/widgets/fonts.h"

#include <QApplication>
#include <QStringList>

namespace kerfolio {
namespace {

QFont Make(const QStringList& families, int pixelSize, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

QFont KaitiFont(int pixelSize, bool bold) {
    return Make({QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UKai"), QStringLiteral("KaiTi"),
                 QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")},
                pixelSize, bold);
}

QFont SongtiFont(int pixelSize) {
    // Its Latin letters and digits are half as wide as a Chinese character, as they are in the face it
    // stands for: in the proportional Zen Hei a time like 23:59:59 is too wide for the clock panel.
    return Make({QStringLiteral("WenQuanYi Zen Hei Mono"), QStringLiteral("SimSun"),
                 QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")},
                pixelSize, false);
}

QFont DefaultFont() {
    // Arial's metrics keep a time like 20:14:26 inside a 49-pixel board cell.
    return Make({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Condensed"),
                 QStringLiteral("WenQuanYi Zen Hei")},
                11, false);
}

void UseDefaultFontEverywhere() {
    QApplication::setFont(DefaultFont());
}

QColor DesktopColour() {
    return QColor(0x3A, 0x6E, 0xA5);
}

}  // namespace kerfolio

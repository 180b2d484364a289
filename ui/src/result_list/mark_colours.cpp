#include "ui/result_list/mark_colours.h"

#include <algorithm>
#include <cmath>

namespace orvel::ui {

namespace {

double Channel(double value) {
  return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

// A QColor keeps 16 bits a channel, but the screen gets eight: the contrast
// is that of the eight-bit colour, in double precision throughout.
QColor EightBit(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return QColor(rgb.red(), rgb.green(), rgb.blue());
}

double Luminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * Channel(rgb.red() / 255.0) + 0.7152 * Channel(rgb.green() / 255.0) +
         0.0722 * Channel(rgb.blue() / 255.0);
}

QColor WithLightness(const QColor& hue, double lightness) {
  const QColor hsl = hue.toHsl();
  return EightBit(QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), static_cast<float>(lightness)));
}

// The lightness between `from` (too little contrast) and `to` (enough) nearest
// to `from` that still reaches the ratio, to a thousandth.
double Nearest(const QColor& hue, const QColor& background, double ratio, double from, double to) {
  for (int step = 0; step < 24; ++step) {
    const double middle = (from + to) / 2;
    if (ContrastRatio(WithLightness(hue, middle), background) >= ratio) {
      to = middle;
    } else {
      from = middle;
    }
  }
  return to;
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableColour(const QColor& hue, const QColor& background, double ratio) {
  if (ContrastRatio(hue, background) >= ratio) return EightBit(hue);
  const double lightness = hue.toHsl().lightnessF();
  // Black and white are the ends of every hue's lightness: one of them reaches
  // the ratio unless the background is a middle grey, where the better end wins.
  const bool darkWorks = ContrastRatio(Qt::black, background) >= ratio;
  const bool lightWorks = ContrastRatio(Qt::white, background) >= ratio;
  if (!darkWorks && !lightWorks) {
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                         : QColor(Qt::white);
  }
  double best = -1;
  if (darkWorks) best = Nearest(hue, background, ratio, lightness, 0.0);
  if (lightWorks) {
    const double lighter = Nearest(hue, background, ratio, lightness, 1.0);
    if (best < 0 || std::abs(lighter - lightness) < std::abs(best - lightness)) best = lighter;
  }
  QColor colour = WithLightness(hue, best);
  // Rounding to eight bits a channel may lose the last bit of contrast: step
  // on towards the end until the eight-bit colour itself reaches the ratio.
  const QColor end = best < lightness ? QColor(Qt::black) : QColor(Qt::white);
  for (int i = 0; i < 256 && ContrastRatio(colour, background) < ratio; ++i) {
    const auto step = [](int from, int to) { return from + (to > from) - (to < from); };
    colour = QColor(step(colour.red(), end.red()), step(colour.green(), end.green()), step(colour.blue(), end.blue()));
  }
  return colour;
}

}  // namespace orvel::ui

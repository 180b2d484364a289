#pragma once

#include <QColor>

namespace orvel::ui {

// Colours that stay readable whatever the palette. The result list keeps its
// hues (red: the base side wins, blue: the target side wins, magenta: a failure
// or a conflict) exactly wherever they reach the usual floor of contrast, and
// elsewhere takes the nearest colour of the same hue that does.
inline constexpr double kReadableContrast = 4.5;

// The contrast of two colours as WCAG 2 defines it, from 1 (the same) to 21
// (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// `hue` itself when it reaches `ratio` against `background`; otherwise the
// colour of the same hue and saturation whose lightness is nearest to hue's
// and reaches it (darker on a light background, lighter on a dark one).
QColor ReadableColour(const QColor& hue, const QColor& background, double ratio = kReadableContrast);

}  // namespace orvel::ui

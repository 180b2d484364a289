// Every mark's colours reach 4.5:1 on a light and on a dark palette, selected
// or not; the described hues stay exactly where they already read.
#include "engine/marks.h"
#include "ui/result_list/mark_colours.h"
#include "ui/result_list/result_delegate.h"

#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace orvel::ui {
namespace {

// The WCAG formula on the eight bits a channel that reach the screen,
// written out here apart from the program's own.
double Wcag(const QColor& a, const QColor& b) {
  const auto lum = [](const QColor& c) {
    const auto ch = [](int v) {
      const double s = v / 255.0;
      return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * ch(c.red()) + 0.7152 * ch(c.green()) + 0.0722 * ch(c.blue());
  };
  const double la = lum(a), lb = lum(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette Palette(const QColor& base, const QColor& text, const QColor& highlight, const QColor& highlighted) {
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Base, base);
  palette.setColor(QPalette::Active, QPalette::Text, text);
  palette.setColor(QPalette::Active, QPalette::Highlight, highlight);
  palette.setColor(QPalette::Active, QPalette::HighlightedText, highlighted);
  return palette;
}

TEST(ReadableColoursTest, EveryMarkReadsOnLightAndDarkPalettes) {
  const QPalette light = Palette(Qt::white, Qt::black, QColor(48, 140, 198), Qt::white);
  const QPalette dark = Palette(QColor(42, 42, 42), QColor(230, 230, 230), QColor(42, 130, 218), Qt::white);
  for (const QPalette* palette : {&light, &dark}) {
    for (int i = 0; i < engine::kMarkCount; ++i) {
      const std::string_view text = engine::MarkText(static_cast<engine::Mark>(i));
      const QString mark = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      for (const bool selected : {false, true}) {
        const ResultDelegate::Colours colours = ResultDelegate::LineColours(mark, selected, *palette);
        EXPECT_GE(Wcag(colours.text, colours.fill), kReadableContrast)
            << mark.toStdString() << (selected ? " selected" : "") << (palette == &dark ? " dark" : " light");
      }
    }
  }
  // The hues themselves where they read (blue on white), the nearest of their
  // hue where not: red and magenta on white, all three on the dark background.
  EXPECT_NE(ResultDelegate::LineColours(">", false, light).text, QColor(255, 0, 0));  // 4.0:1 on white
  EXPECT_EQ(ResultDelegate::LineColours("<", false, light).text, QColor(0, 0, 255));
  for (const QColor hue : {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 0, 255)}) {
    for (const QColor background : {QColor(Qt::white), QColor(42, 42, 42)}) {
      const QColor readable = ReadableColour(hue, background);
      EXPECT_GE(Wcag(readable, background), kReadableContrast);
      // The nearest, not just any.
      if (ContrastRatio(hue, background) < kReadableContrast) {
        EXPECT_LT(ContrastRatio(readable, background), kReadableContrast + 0.3);
      }
      EXPECT_NEAR(readable.toHsl().hslHue(), hue.toHsl().hslHue(), 2);
    }
  }
  EXPECT_DOUBLE_EQ(ContrastRatio(Qt::black, Qt::white), 21.0);
  // A hair under the floor is under it: no rounding up.
  for (const QColor almost : {QColor(239, 0, 0), QColor(210, 0, 210)}) {
    EXPECT_LT(ContrastRatio(almost, Qt::white), kReadableContrast);
    EXPECT_GE(Wcag(ReadableColour(almost, Qt::white), Qt::white), kReadableContrast);
  }
}

}  // namespace
}  // namespace orvel::ui

// The one mapping from dialog units of the "Arial" 9 dialogs to pixels, used by the window and every page.
#pragma once

#include <QFont>
#include <QRect>

namespace kel {

// 9 points at 96 dots per inch; high-density screens scale the whole window through Qt's pixel ratio.
inline constexpr int kDialogFontPixels = 12;

// The dialogs' font: Liberation Sans (metrically the same as Arial), Chinese glyphs from WenQuanYi Micro Hei.
QFont DialogFont();

class DialogUnits {
  public:
    // Base units measured on the given font: average width of the 52 letters, and the line height.
    explicit DialogUnits(const QFont& font);
    // The mapping for DialogFont(), measured once (needs the application object).
    static const DialogUnits& Get();

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }
    int X(int dlu) const;
    int Y(int dlu) const;
    // Corners are mapped, so adjacent rectangles stay adjacent.
    QRect Rect(int x, int y, int w, int h) const;
    QSize Size(int w, int h) const;

  private:
    int m_baseX;
    int m_baseY;
};

// a × b ÷ c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

} // namespace kel

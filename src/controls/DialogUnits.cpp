// Dialog units to pixels.
#include "controls/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

namespace kel {

QFont DialogFont() {
    QFont font;
    font.setFamilies(QStringList{"Liberation Sans", "Arial", "WenQuanYi Micro Hei"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kDialogFontPixels);
    font.setWeight(QFont::Normal);
    return font;
}

int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : -((-p + half) / c));
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width =
        fm.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    m_baseX = (width + 26) / 52;
    m_baseY = fm.height();
    if (m_baseX <= 0) {
        m_baseX = 7;
    }
    if (m_baseY <= 0) {
        m_baseY = 14;
    }
}

const DialogUnits& DialogUnits::Get() {
    static const DialogUnits units(DialogFont());
    return units;
}

int DialogUnits::X(int dlu) const {
    return MulDiv(dlu, m_baseX, 4);
}

int DialogUnits::Y(int dlu) const {
    return MulDiv(dlu, m_baseY, 8);
}

QRect DialogUnits::Rect(int x, int y, int w, int h) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}

QSize DialogUnits::Size(int w, int h) const {
    return QSize(X(w), Y(h));
}

} // namespace kel

// Narrowing a control's font until its widest value fits.
#include "controls/FitFont.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace kel {

namespace {
constexpr int kNarrowestStretch = 70; // below this digits crowd each other
constexpr int kStretchStep = 5;
constexpr int kSmallestPixels = 8;
} // namespace

int WidestAdvance(const QStringList& texts, const QFont& font) {
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString& t : texts) {
        widest = std::max(widest, fm.horizontalAdvance(t));
    }
    return widest;
}

void FitFontToWidth(QWidget& w, const QStringList& texts, int room) {
    const QFont inherited = w.parentWidget() != nullptr ? w.parentWidget()->font() : QApplication::font(&w);
    if (room <= 0 || texts.isEmpty() || WidestAdvance(texts, inherited) <= room) {
        if (w.testAttribute(Qt::WA_SetFont)) {
            w.setFont(QFont()); // back to the inherited font
        }
        return;
    }
    // Narrower letters keep the height of the texts around the control.
    QFont font = inherited;
    for (int stretch = 100 - kStretchStep; stretch >= kNarrowestStretch; stretch -= kStretchStep) {
        font.setStretch(stretch);
        if (WidestAdvance(texts, font) <= room) {
            break;
        }
    }
    while (WidestAdvance(texts, font) > room && font.pixelSize() > kSmallestPixels) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    if (font != w.font()) {
        w.setFont(font);
    }
}

} // namespace kel

// The keyboard focus cue and the hover tint of the skinned controls, drawn over their own painting so the
// layout never changes.
#pragma once

#include "controls/Skin.h"

#include <QPainter>
#include <QPen>
#include <QRect>

namespace kel {

// A dotted rectangle just inside `area`, in two colours so that it shows on the light pages and on the
// dark top bar alike.
inline void DrawFocusCue(QPainter& p, const QRect& area) {
    const QRect r = area.adjusted(1, 1, -2, -2);
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgb(skin::kFaceLight), 1, Qt::SolidLine));
    p.drawRect(r);
    p.setPen(QPen(QColor::fromRgb(skin::kText), 1, Qt::DotLine));
    p.drawRect(r);
    p.restore();
}

// The lighter face of a button under the pointer.
inline void DrawHoverTint(QPainter& p, const QRect& area) {
    p.fillRect(area, QColor(255, 255, 255, 60));
}

} // namespace kel

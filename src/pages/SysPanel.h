// The look of the system page's group panels: drawn into its background bitmap by the skin generator and
// by the page itself for the groups outside the bitmap.
#pragma once

#include "controls/Skin.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kel::sys {

// Height of a group's title band, dialog units.
inline constexpr int kGroupTitleDlu = 11;

// A rounded panel with a slate title band of titleHeight pixels at its top.
inline void PaintPanel(QPainter& p, const QRectF& area, double titleHeight) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = area.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient lg(r.topLeft(), r.bottomLeft());
    lg.setColorAt(0, QColor::fromRgb(skin::kFaceLight));
    lg.setColorAt(1, QColor::fromRgb(skin::kFace));
    p.setPen(QPen(QColor::fromRgb(skin::kFaceShadow), 1));
    p.setBrush(lg);
    p.drawRoundedRect(r, 5, 5);
    // The band keeps the panel's rounded top corners and a straight lower edge.
    QPainterPath band;
    band.addRoundedRect(QRectF(r.left(), r.top(), r.width(), titleHeight), 5, 5);
    QPainterPath lower;
    lower.addRect(QRectF(r.left(), r.top() + titleHeight / 2, r.width(), titleHeight / 2));
    p.fillPath(band.united(lower), QColor::fromRgb(skin::kSlate));
    p.restore();
}

} // namespace kel::sys

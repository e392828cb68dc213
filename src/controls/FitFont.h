// Fitting a value control's font to its widest text: narrower letters first, a smaller size only past that.
#pragma once

#include <QFont>
#include <QStringList>

class QWidget;

namespace kel {

// The widest advance of the texts in the font, in pixels.
int WidestAdvance(const QStringList& texts, const QFont& font);

// Gives `w` the font it inherits, narrowed (stretch, then pixel size) until every text fits in `room`
// pixels; where they fit already, the inherited font itself. Widths are the font's at the widget's own
// scale, so the result holds at 100 % and 200 % alike.
void FitFontToWidth(QWidget& w, const QStringList& texts, int room);

} // namespace kel

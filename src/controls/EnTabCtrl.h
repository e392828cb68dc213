// CEnTabCtrl: the tab control of the main window, with per-tab colours and gradient tabs.
#pragma once

#include "controls/BaseTabCtrl.h"

namespace kel {

class CEnTabCtrl : public CBaseTabCtrl {
  public:
    CEnTabCtrl(QWidget* parent, int id);

    void SetTabColour(int index, const QColor& colour);
    // Unselected tabs as a vertical gradient (on screens deeper than 15 bits), else flat.
    void SetGradient(bool on);
    // The selected tab flat in the face colour, else in its own colour.
    void SetSelectionFlat(bool on);
    // Text of the unselected tabs (white on the skin's dark tabs) and of the selected one.
    void SetTextColours(const QColor& normal, const QColor& selected);

  protected:
    void DrawItem(QPainter& p, int index, const QRect& rect, bool selected) override;

  private:
    bool m_gradient = true;
    bool m_selectionFlat = true;
    QColor m_text;
    QColor m_selectedText;
};

} // namespace kel

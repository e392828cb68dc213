// CEffect_Dlg: the effect page — the selectors of Echo A, Echo B and Reverb, the graph the three share, and
// the echo and reverb sub-pages, of which the selected effect's is shown.
#pragma once

#include "pages/PageConventions.h"

namespace kel {

class CEcho_Dlg;
class CRev_Dlg;

class CEffect_Dlg : public CBoundPage {
  public:
    enum ControlId : int {
        IDC_ECHO_A = 3000,
        IDC_ECHO_B,
        IDC_REVERB,
        IDC_GRAPH,
    };

    CEffect_Dlg(QWidget* parent, PageHost* host);

    void Refresh() override;
    void ApplyLanguage() override;
    void ApplyMode() override;

    CEcho_Dlg& Echo() const { return *m_echo; }
    CRev_Dlg& Reverb() const { return *m_reverb; }

  protected:
    // A selector clicked: the echo sub-page follows Echo A or Echo B, the graph the selected effect.
    void ChannelSwitched() override;
    // The graph's reports go to the sub-page that owns the band.
    void OnGraphBandEdited(int channel, int band) override;

  private:
    CEcho_Dlg* m_echo; // children of this page
    CRev_Dlg* m_reverb;
};

} // namespace kel

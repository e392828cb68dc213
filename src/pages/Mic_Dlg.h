// CMic_Dlg: the microphone page — the 20-band EQ of Mic 1 or Mic 2 with its crossovers, the mic level, the
// feedback suppressor, and the noise gate, limiter and exciters of the microphone being edited.
#pragma once

#include "pages/PageConventions.h"

namespace kel {

class CMic_Dlg : public CBoundPage {
  public:
    // Control ids of the page's template (dialog 145), group by group.
    enum ControlId : int {
        IDC_LABEL_TYPE = 2100,
        IDC_LABEL_GAIN,
        IDC_LABEL_FREQ,
        IDC_LABEL_Q,
        IDC_BAND_SCROLLER,
        IDC_SYNC,
        IDC_MIC1,
        IDC_MIC2,
        IDC_EQ_RESET,
        IDC_EQ_BYPASS,
        IDC_GRAPH,
        // Column 1.
        IDC_HPF_TITLE = 2200,
        IDC_HPF_SLOPE,
        IDC_HPF_EDIT,
        IDC_HPF_SLIDER,
        IDC_LPF_TITLE,
        IDC_LPF_SLOPE,
        IDC_LPF_EDIT,
        IDC_LPF_SLIDER,
        IDC_LEVEL_TITLE,
        IDC_LEVEL_VALUE,
        IDC_LEVEL_SLIDER,
        IDC_FEEDBACK_TITLE,
        IDC_FEEDBACK,
        // Column 2: noise gate, low exciter.
        IDC_GATE_TITLE = 2300,
        IDC_GATE_THRESHOLD_LABEL,
        IDC_GATE_THRESHOLD_VALUE,
        IDC_GATE_THRESHOLD_SLIDER,
        IDC_GATE_ATTACK_LABEL,
        IDC_GATE_ATTACK_VALUE,
        IDC_GATE_ATTACK_SLIDER,
        IDC_GATE_RELEASE_LABEL,
        IDC_GATE_RELEASE_VALUE,
        IDC_GATE_RELEASE_SLIDER,
        IDC_LOW_EXCITER_TITLE,
        IDC_LOW_FREQ_LABEL,
        IDC_LOW_FREQ_EDIT,
        IDC_LOW_FREQ_SLIDER,
        IDC_LOW_HARMONIC_LABEL,
        IDC_LOW_HARMONIC,
        IDC_LOW_TIMBRE_LABEL,
        IDC_LOW_TIMBRE,
        // Column 3: limiter, high exciter.
        IDC_LIMIT_TITLE = 2400,
        IDC_LIMIT_LEVEL_LABEL,
        IDC_LIMIT_LEVEL_VALUE,
        IDC_LIMIT_LEVEL_SLIDER,
        IDC_LIMIT_ATTACK_LABEL,
        IDC_LIMIT_ATTACK_VALUE,
        IDC_LIMIT_ATTACK_SLIDER,
        IDC_LIMIT_RELEASE_LABEL,
        IDC_LIMIT_RELEASE_VALUE,
        IDC_LIMIT_RELEASE_SLIDER,
        IDC_RATIO_LABEL,
        IDC_RATIO_VALUE,
        IDC_RATIO_SLIDER,
        IDC_HIGH_EXCITER_TITLE,
        IDC_HIGH_FREQ_LABEL,
        IDC_HIGH_FREQ_EDIT,
        IDC_HIGH_FREQ_SLIDER,
        IDC_HIGH_HARMONIC_LABEL,
        IDC_HIGH_HARMONIC,
        IDC_HIGH_TIMBRE_LABEL,
        IDC_HIGH_TIMBRE,
    };
    static constexpr int kBands = 20;
    static constexpr int kStrips = 10;

    CMic_Dlg(QWidget* parent, PageHost* host);
};

} // namespace kel

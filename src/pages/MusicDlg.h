// CMusicDlg: the music page — the 15-band EQ of Music Left or Right with its crossovers, MainMusic HPF,
// exciters, the shared limiter and noise gate, and the music key.
#pragma once

#include "pages/PageConventions.h"

namespace kel {

class CMusicDlg : public CBoundPage {
  public:
    // Control ids of the page's template (dialog 135).
    enum ControlId : int {
        // Labels beside the strips' rows.
        IDC_LABEL_TYPE = 1100,
        IDC_LABEL_GAIN,
        IDC_LABEL_FREQ,
        IDC_LABEL_Q,
        // Group titles.
        IDC_KEY_TITLE = 1110,
        IDC_MAIN_HPF_TITLE,
        IDC_HPF_TITLE,
        IDC_LPF_TITLE,
        IDC_GATE_TITLE,
        IDC_LIMIT_TITLE,
        IDC_LOW_EXCITER_TITLE,
        IDC_HIGH_EXCITER_TITLE,
        // Row labels.
        IDC_GATE_THRESHOLD_LABEL = 1120,
        IDC_GATE_ATTACK_LABEL,
        IDC_GATE_RELEASE_LABEL,
        IDC_LIMIT_LEVEL_LABEL,
        IDC_LIMIT_ATTACK_LABEL,
        IDC_LIMIT_RELEASE_LABEL,
        IDC_RATIO_LABEL,
        IDC_LOW_FREQ_LABEL,
        IDC_LOW_HARMONIC_LABEL,
        IDC_LOW_TIMBRE_LABEL,
        IDC_HIGH_FREQ_LABEL,
        IDC_HIGH_HARMONIC_LABEL,
        IDC_HIGH_TIMBRE_LABEL,
        // Sliders.
        IDC_KEY_SLIDER = 1200,
        IDC_MAIN_HPF_SLIDER,
        IDC_HPF_SLIDER,
        IDC_LPF_SLIDER,
        IDC_GATE_THRESHOLD_SLIDER,
        IDC_GATE_ATTACK_SLIDER,
        IDC_GATE_RELEASE_SLIDER,
        IDC_LIMIT_LEVEL_SLIDER,
        IDC_LIMIT_ATTACK_SLIDER,
        IDC_LIMIT_RELEASE_SLIDER,
        IDC_RATIO_SLIDER,
        IDC_LOW_FREQ_SLIDER,
        IDC_HIGH_FREQ_SLIDER,
        // Their partners: value displays and numeric edits.
        IDC_KEY_VALUE = 1300,
        IDC_MAIN_HPF_EDIT,
        IDC_HPF_EDIT,
        IDC_LPF_EDIT,
        IDC_GATE_THRESHOLD_VALUE,
        IDC_GATE_ATTACK_VALUE,
        IDC_GATE_RELEASE_VALUE,
        IDC_LIMIT_LEVEL_VALUE,
        IDC_LIMIT_ATTACK_VALUE,
        IDC_LIMIT_RELEASE_VALUE,
        IDC_RATIO_VALUE,
        IDC_LOW_FREQ_EDIT,
        IDC_HIGH_FREQ_EDIT,
        // Drop-down lists.
        IDC_MAIN_HPF_SLOPE = 1400,
        IDC_HPF_SLOPE,
        IDC_LPF_SLOPE,
        IDC_LOW_HARMONIC,
        IDC_LOW_TIMBRE,
        IDC_HIGH_HARMONIC,
        IDC_HIGH_TIMBRE,
        // Buttons.
        IDC_SYNC = 1500,
        IDC_MUSIC_LEFT,
        IDC_MUSIC_RIGHT,
        IDC_EQ_RESET,
        IDC_EQ_BYPASS,
        IDC_BAND_SCROLLER = 1600,
        IDC_GRAPH,
    };
    static constexpr int kBands = 15;
    static constexpr int kStrips = 10;

    CMusicDlg(QWidget* parent, PageHost* host);
};

} // namespace kel

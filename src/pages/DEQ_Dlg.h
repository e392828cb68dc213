// CDEQ_Dlg: the dynamic EQ page — the three dynamic bands of Music Left or Music Right, each a fixed column
// of its EQ controls (type, frequency, gain, Q) and its compressor (limit level, attack, release, ratio),
// over the graph of the three bands. The SYNC byte is the music page's.
#pragma once

#include "pages/PageConventions.h"

namespace kel {

class CDEQ_Dlg : public CBoundPage {
  public:
    static constexpr int kBands = 3;

    // Control ids of the page's template (dialog 144).
    enum ControlId : int {
        IDC_SYNC = 1800,
        IDC_MUSIC_LEFT,
        IDC_MUSIC_RIGHT,
        IDC_EQ_RESET,
        IDC_GRAPH,
        // The band columns: band i's controls are IDC_BAND1 + kBandIdStride × i + a BandControl.
        IDC_BAND1 = 1900,
    };
    static constexpr int kBandIdStride = 30;

    // The controls of one band column, in the order of their ids.
    enum BandControl : int {
        BAND_NUMBER,
        TYPE_LABEL,
        TYPE,
        FREQ_LABEL,
        FREQ,
        GAIN_SLIDER,
        GAIN_LABEL,
        GAIN,
        Q_LABEL,
        Q,
        LEVEL_LABEL,
        LEVEL_VALUE,
        LEVEL_SLIDER,
        ATTACK_LABEL,
        ATTACK_VALUE,
        ATTACK_SLIDER,
        RELEASE_LABEL,
        RELEASE_VALUE,
        RELEASE_SLIDER,
        RATIO_LABEL,
        RATIO_VALUE,
        RATIO_SLIDER,
        BAND_CONTROLS
    };
    static_assert(BAND_CONTROLS <= kBandIdStride);

    static constexpr int BandId(int band, BandControl control) {
        return IDC_BAND1 + kBandIdStride * band + control;
    }

    CDEQ_Dlg(QWidget* parent, PageHost* host);

    // Full Mode enables the page again, but the channel buttons stay disabled while linked.
    void ApplyMode() override;

  protected:
    // EQ Reset: the three bands' EQ part only; the compressors keep their settings.
    void ResetEqOfChannel() override;
    // A band picked or dragged on the graph: its column's EQ controls reload; nothing is highlighted.
    void OnGraphBandEdited(int channel, int band) override;
    // A type change and a typed gain highlight their band; the other EQ edits highlight band 1.
    int RedrawIndex(int controlId, const Field& field) const override;
};

} // namespace kel

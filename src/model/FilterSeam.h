// Where the model's section operations reach the filter objects bound to the image.
#pragma once

namespace kel {

// EqChannel numbering of the EQ curves.
enum EqChannel : int {
    EQ_MUSIC_L = 0,
    EQ_MUSIC_R = 1,
    EQ_MIC1 = 2,
    EQ_MIC2 = 3,
    EQ_ECHO_A = 4,
    EQ_ECHO_B = 5,
    EQ_REVERB = 6,
    EQ_AUX_REVERB = 7,
    EQ_OUTPUT_FIRST = 8, // 8..15: output records 0..7
    EQ_OUTPUT_LAST = 15,
    EQ_DEQ_L = 16,
    EQ_DEQ_R = 17,
};
inline constexpr int kEqChannelCount = 18;

// Implemented by the filter bank; the model works without one (no curves).
class FilterSeam {
public:
    virtual ~FilterSeam() = default;
    // Create every collection and bind it to the working image.
    virtual void BuildAll() = 0;
    // Re-attach every filter of every collection to its record.
    virtual void ReloadAll() = 0;
    // Re-attach the bands (and, with crossovers, the high-pass and low-pass) of one collection.
    // outputBlock 0..2 picks the mode's collection for channels 8..15 and is ignored otherwise.
    virtual void ReloadChannel(int channel, int outputBlock, bool crossovers) = 0;
    // Re-attach one band.
    virtual void ReloadBand(int channel, int outputBlock, int band) = 0;
};

void SetFilterSeam(FilterSeam* seam);
FilterSeam* GetFilterSeam();

} // namespace kel

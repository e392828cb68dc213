// Every filter collection of the program image, and the seam through which the model reloads them.
#pragma once

#include "dsp/KTVEQ.h"
#include "model/FilterSeam.h"

#include <array>

namespace kel {

class FilterBank final : public FilterSeam {
  public:
    static constexpr int kCollectionCount = 8 + kOutputModes * kOutputRecords + 2; // 34

    void BuildAll() override;
    void ReloadAll() override;
    void ReloadChannel(int channel, int outputBlock, bool crossovers) override;
    void ReloadBand(int channel, int outputBlock, int band) override;

    // The collection of an EqChannel; outputBlock 0..2 picks the mode for channels 8..15.
    // Null for a channel or block that does not exist.
    CKTVEQ* Find(int eqChannel, int outputBlock);
    // As Find, for a valid channel and block (asserted).
    CKTVEQ& Collection(int eqChannel, int outputBlock);
    // Channels 8..15 in the block the ModeSelector picks.
    CKTVEQ& ActiveCollection(int eqChannel);

    // All collections: channels 0..7, the 24 output collections block by block, then 16 and 17.
    std::array<CKTVEQ*, kCollectionCount> All();

  private:
    std::array<CKTVEQ, 8> m_inputs;                                         // channels 0..7
    std::array<std::array<CKTVEQ, kOutputRecords>, kOutputModes> m_outputs; // [block][record]
    std::array<CKTVEQ, 2> m_dynamic;                                        // channels 16, 17
};

FilterBank& TheFilterBank();
// Makes the model reload the bank's filters; call before ResetModel.
void InstallFilterBank();
inline CKTVEQ& Collection(int eqChannel, int outputBlock) {
    return TheFilterBank().Collection(eqChannel, outputBlock);
}
inline CKTVEQ& ActiveCollection(int eqChannel) {
    return TheFilterBank().ActiveCollection(eqChannel);
}

} // namespace kel

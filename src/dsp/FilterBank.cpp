// The filter bank: one collection per EQ curve of the working image, bound by ResetModel.
#include "dsp/FilterBank.h"

#include "model/Model.h"

#include <cassert>

namespace kel {

void FilterBank::BuildAll() {
    ProgramImage& img = TheModel().image;
    m_inputs[EQ_MUSIC_L].Build(kMusicBands, img.musicL.eq, &img.musicL.hpf, &img.musicL.lpf);
    m_inputs[EQ_MUSIC_R].Build(kMusicBands, img.musicR.eq, &img.musicR.hpf, &img.musicR.lpf);
    m_inputs[EQ_MIC1].Build(kMicBands, img.mic1.eq, &img.mic1.hpf, &img.mic1.lpf);
    m_inputs[EQ_MIC2].Build(kMicBands, img.mic2.eq, &img.mic2.hpf, &img.mic2.lpf);
    m_inputs[EQ_ECHO_A].Build(kEffectBands, img.echoA.eq, &img.echoA.hpf, &img.echoA.lpf);
    m_inputs[EQ_ECHO_B].Build(kEffectBands, img.echoB.eq, &img.echoB.hpf, &img.echoB.lpf);
    m_inputs[EQ_REVERB].Build(kEffectBands, img.reverb.eq, &img.reverb.hpf, &img.reverb.lpf);
    m_inputs[EQ_AUX_REVERB].Build(kEffectBands, img.auxReverb.eq, &img.auxReverb.hpf, &img.auxReverb.lpf);
    for (int b = 0; b < kOutputModes; ++b) {
        for (int r = 0; r < kOutputRecords; ++r) {
            OutputChannel& ch = img.out[b].ch[r];
            m_outputs[b][r].Build(kOutputBands, ch.eq, &ch.hpf, &ch.lpf);
        }
    }
    m_dynamic[0].BuildDynamic(img.musicL.deq);
    m_dynamic[1].BuildDynamic(img.musicR.deq);
}

void FilterBank::ReloadAll() {
    for (CKTVEQ* c : All()) {
        c->Reload(true);
    }
}

void FilterBank::ReloadChannel(int channel, int outputBlock, bool crossovers) {
    if (CKTVEQ* c = Find(channel, outputBlock)) {
        c->Reload(crossovers);
    }
}

void FilterBank::ReloadBand(int channel, int outputBlock, int band) {
    if (CKTVEQ* c = Find(channel, outputBlock)) {
        c->ReloadBand(band);
    }
}

CKTVEQ* FilterBank::Find(int eqChannel, int outputBlock) {
    if (eqChannel >= EQ_MUSIC_L && eqChannel <= EQ_AUX_REVERB) {
        return &m_inputs[eqChannel];
    }
    if (eqChannel >= EQ_OUTPUT_FIRST && eqChannel <= EQ_OUTPUT_LAST) {
        if (outputBlock < 0 || outputBlock >= kOutputModes) {
            return nullptr;
        }
        return &m_outputs[outputBlock][eqChannel - EQ_OUTPUT_FIRST];
    }
    if (eqChannel == EQ_DEQ_L || eqChannel == EQ_DEQ_R) {
        return &m_dynamic[eqChannel - EQ_DEQ_L];
    }
    return nullptr;
}

CKTVEQ& FilterBank::Collection(int eqChannel, int outputBlock) {
    CKTVEQ* c = Find(eqChannel, outputBlock);
    assert(c && "no such EQ channel");
    return c ? *c : m_inputs[EQ_MUSIC_L];
}

CKTVEQ& FilterBank::ActiveCollection(int eqChannel) {
    int block = TheModel().modeSelector.Block();
    if (block < 0 || block >= kOutputModes) {
        block = 0; // an OutputMode byte the device does not know: the Sing block, as in "Auto"
    }
    return Collection(eqChannel, block);
}

std::array<CKTVEQ*, FilterBank::kCollectionCount> FilterBank::All() {
    std::array<CKTVEQ*, kCollectionCount> all{};
    std::size_t n = 0;
    for (CKTVEQ& c : m_inputs) {
        all[n++] = &c;
    }
    for (auto& block : m_outputs) {
        for (CKTVEQ& c : block) {
            all[n++] = &c;
        }
    }
    for (CKTVEQ& c : m_dynamic) {
        all[n++] = &c;
    }
    return all;
}

FilterBank& TheFilterBank() {
    static FilterBank bank;
    return bank;
}

void InstallFilterBank() {
    SetFilterSeam(&TheFilterBank());
}

} // namespace kel

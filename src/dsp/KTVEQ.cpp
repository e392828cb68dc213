// CKTVEQ: building a channel's filters on its records, reloading them, and summing their responses.
#include "dsp/KTVEQ.h"

#include <cassert>

namespace kel {

CFilter& CKTVEQ::Append() {
    return *m_filters.emplace_back(std::make_unique<CFilter>());
}

void CKTVEQ::Build(int n, EqBand* firstBand, FilterRecord* highPass, FilterRecord* lowPass) {
    m_filters.clear();
    m_filters.reserve(static_cast<std::size_t>(n) + 2);
    m_bandCount = n;
    m_highPassIndex = -1;
    m_lowPassIndex = -1;
    for (int i = 0; i < n; ++i) {
        CFilter& f = Append();
        f.SetNumber(i + 1);
        f.AttachBand(firstBand + i);
    }
    if (highPass) {
        CFilter& f = Append();
        f.SetType(FT_HIGHPASS);
        f.AttachCrossover(highPass);
        m_highPassIndex = n;
    }
    if (lowPass) {
        CFilter& f = Append();
        f.SetType(FT_LOWPASS);
        f.AttachCrossover(lowPass);
        m_lowPassIndex = n + 1;
    }
    ApplyPlotRect();
}

void CKTVEQ::BuildDynamic(DynamicEqBand* firstBand) {
    m_filters.clear();
    m_bandCount = kDynamicBands;
    m_highPassIndex = -1;
    m_lowPassIndex = -1;
    for (int i = 0; i < kDynamicBands; ++i) {
        CFilter& f = Append();
        f.SetNumber(i + 1);
        f.SetRestrictedGain(true);
        f.AttachBand(&firstBand[i].band);
    }
    ApplyPlotRect();
}

// A rebuilt collection keeps the plot size the graph gave it.
void CKTVEQ::ApplyPlotRect() {
    if (m_plotWidth > 0 || m_plotHeight > 0) {
        SetPlotRect({0, 0, m_plotWidth, m_plotHeight});
    }
}

void CKTVEQ::Reload(bool crossovers) {
    for (int i = 0; i < GetSize(); ++i) {
        if (i < m_bandCount || crossovers) {
            At(i).Reload();
        }
    }
}

void CKTVEQ::ReloadBand(int band) {
    assert(band >= 0 && band < m_bandCount);
    if (band >= 0 && band < m_bandCount) {
        At(band).Reload();
    }
}

void CKTVEQ::SetPlotRect(const Rect& rect) {
    m_plotHeight = rect.Height();
    m_plotWidth = rect.Width();
    for (int i = 0; i < kGridSize; ++i) {
        m_sumCurve[i].x = static_cast<float>(FreqToXf(FrequencyGrid[i], m_plotWidth) + kPlotLeft);
    }
    for (auto& f : m_filters) {
        f->SetPlotRect(rect);
    }
}

ResponseDb CKTVEQ::SumDb() const {
    ResponseDb sum{};
    for (const auto& f : m_filters) {
        const ResponseDb& db = f->ResponseDbValues();
        for (int i = 0; i < kGridSize; ++i) {
            sum[i] += db[i];
        }
    }
    return sum;
}

void CKTVEQ::SumCurve() {
    const ResponseDb sum = SumDb();
    for (int i = 0; i < kGridSize; ++i) {
        m_sumCurve[i].y = static_cast<float>(GainToY(sum[i], m_plotHeight) + kPlotTop);
    }
}

CFilter* CKTVEQ::GetHighPass() const {
    const bool present =
        m_highPassIndex >= 0 && m_highPassIndex < GetSize() && At(m_highPassIndex).Type() == FT_HIGHPASS;
    assert(present && "collection without a high-pass");
    return present ? &At(m_highPassIndex) : nullptr;
}

CFilter* CKTVEQ::GetLowPass() const {
    const bool present =
        m_lowPassIndex >= 0 && m_lowPassIndex < GetSize() && At(m_lowPassIndex).Type() == FT_LOWPASS;
    assert(present && "collection without a low-pass");
    return present ? &At(m_lowPassIndex) : nullptr;
}

} // namespace kel

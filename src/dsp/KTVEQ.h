// CKTVEQ: the filters of one EQ curve in their fixed order, and the channel's summed curve.
#pragma once

#include "dsp/Filter.h"

#include <memory>
#include <vector>

namespace kel {

class CKTVEQ {
  public:
    // n bands on consecutive records, then the high-pass (index n) and low-pass (n + 1) when given.
    void Build(int n, EqBand* firstBand, FilterRecord* highPass, FilterRecord* lowPass);
    // The kDynamicBands dynamic-EQ bands (gain not below -12 dB) on the first five bytes of each record.
    void BuildDynamic(DynamicEqBand* firstBand);

    // Re-attach the bands and, with crossovers set, the high-pass and low-pass.
    void Reload(bool crossovers);
    void ReloadBand(int band);

    void SetPlotRect(const Rect& rect);
    void SumCurve();
    // The sum of every element's responseDb at each grid entry, in element order.
    ResponseDb SumDb() const;

    // Null (and an assertion) when the collection has no crossover there.
    CFilter* GetHighPass() const;
    CFilter* GetLowPass() const;

    int GetSize() const { return static_cast<int>(m_filters.size()); }
    CFilter& At(int index) const { return *m_filters[static_cast<std::size_t>(index)]; }
    int BandCount() const { return m_bandCount; }
    int HighPassIndex() const { return m_highPassIndex; }
    int LowPassIndex() const { return m_lowPassIndex; }
    int PlotWidth() const { return m_plotWidth; }
    int PlotHeight() const { return m_plotHeight; }
    const std::array<PointF, kGridSize>& SumCurvePoints() const { return m_sumCurve; }

  private:
    CFilter& Append();
    void ApplyPlotRect();

    // unique_ptr keeps each filter where the graph and the band strips point at it.
    std::vector<std::unique_ptr<CFilter>> m_filters;
    int m_bandCount = 0;
    int m_highPassIndex = -1;
    int m_lowPassIndex = -1;
    int m_plotHeight = 0;
    int m_plotWidth = 0;
    std::array<PointF, kGridSize> m_sumCurve{};
};

} // namespace kel

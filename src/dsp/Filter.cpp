// CFilter: setters write the bound record, every change recomputes the response, marker and curve.
#include "dsp/Filter.h"

#include "model/Edit.h"
#include "model/Model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kel {

namespace {

// A damaged record must not read past the frequency table.
int SafeFreqIndex(int index) {
    return std::clamp(index, 0, kFreqIndexMax);
}

// Pixel row of a dB value; a deep stop band lies far below the plot, but never beyond an int.
int Row(double y) {
    constexpr double kLimit = 1e8;
    if (!(y > -kLimit)) {
        return static_cast<int>(-kLimit);
    }
    return static_cast<int>(std::min(y, kLimit));
}

std::string Format(const char* format, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

constexpr BiquadType kBandDesign[] = {BQ_PEAKING, BQ_PEAKING, BQ_LOWSHELF, BQ_HIGHSHELF};

} // namespace

void CFilter::AttachBand(EqBand* record) {
    m_band = record;
    m_crossover = nullptr;
    LoadBand();
    Recalculate();
}

void CFilter::AttachCrossover(FilterRecord* record) {
    m_crossover = record;
    m_band = nullptr;
    LoadCrossover();
    Recalculate();
}

void CFilter::Reload() {
    if (m_band) {
        AttachBand(m_band);
    } else if (m_crossover) {
        AttachCrossover(m_crossover);
    }
}

// The fields an attach loads (the Q, gain and type steps), with one recalculation by the caller.
void CFilter::LoadBand() {
    m_frequencyHz = IndexToFreq(SafeFreqIndex(m_band->freq.get()));
    const int q = std::clamp<int>(m_band->q, 0, kQIndexMax);
    m_q = IndexToQ(q);
    if (IsBand() && m_band->q != q) {
        m_band->q = static_cast<u8>(q); // a damaged Q index is put in range
    }
    m_gainDb = GainIndexToDb(m_band->gain);
    // A band type the device does not know is drawn as switched off; the byte itself is kept.
    m_type = m_band->type <= BAND_HS ? static_cast<int>(m_band->type) : static_cast<int>(FT_BYPASS);
}

void CFilter::LoadCrossover() {
    m_frequencyHz = IndexToFreq(SafeFreqIndex(m_crossover->freq.get()));
    m_slopeIndex = m_crossover->slope;
}

void CFilter::StoreBand(const EqBand& value) {
    EditRecord(TheModel(), m_band, value); // the whole band at once, through the edit path
}

void CFilter::StoreCrossover(const FilterRecord& value) {
    EditRecord(TheModel(), m_crossover, value);
}

void CFilter::SetType(int type) {
    if (type < FT_BYPASS || type > FT_LOWPASS) {
        return;
    }
    m_type = type;
    if (type == FT_HIGHPASS) {
        m_numberText = "H";
    } else if (type == FT_LOWPASS) {
        m_numberText = "L";
    }
    if (m_band) {
        EqBand next = *m_band;
        next.type = static_cast<u8>(type);
        StoreBand(next);
    }
    Recalculate();
}

void CFilter::SetFrequencyIndex(int index) {
    index = SafeFreqIndex(index);
    m_frequencyHz = IndexToFreq(index);
    if (m_band) {
        EqBand next = *m_band;
        next.freq = static_cast<std::uint16_t>(index);
        StoreBand(next);
    }
    Recalculate();
}

void CFilter::SetCrossoverFrequencyIndex(int index) {
    index = SafeFreqIndex(index);
    m_frequencyHz = IndexToFreq(index);
    if (m_crossover) {
        FilterRecord next = *m_crossover;
        next.freq = static_cast<std::uint16_t>(index);
        StoreCrossover(next);
    }
    Recalculate();
}

void CFilter::SetGainIndex(int index) {
    index = std::clamp(index, 0, kGainIndexMax);
    if (m_band) {
        EqBand next = *m_band;
        next.gain = static_cast<u8>(index);
        StoreBand(next);
    }
    m_gainDb = GainIndexToDb(index);
    Recalculate();
}

void CFilter::SetQIndex(int index) {
    index = std::clamp(index, 0, kQIndexMax);
    m_q = IndexToQ(index);
    if (m_band && IsBand()) {
        EqBand next = *m_band;
        next.q = static_cast<u8>(index);
        StoreBand(next);
    }
    Recalculate();
}

void CFilter::SetSlope(int slope) {
    slope = std::clamp(slope, 0, kSlopeCount - 1);
    m_slopeIndex = slope;
    if (m_crossover) {
        FilterRecord next = *m_crossover;
        next.slope = static_cast<u8>(slope);
        StoreCrossover(next);
    }
    Recalculate();
}

void CFilter::SetNumber(int n) {
    m_numberText = std::to_string(n);
}

void CFilter::SetPlotRect(const Rect& rect) {
    m_plotWidth = rect.Width();
    m_plotHeight = rect.Height();
    const int zeroRow = Row(GainToY(0.0, m_plotHeight)) + kPlotTop;
    m_curve[0] = {kPlotLeft, zeroRow};
    m_curve[kCurvePoints - 1] = {m_plotWidth + kPlotLeft, zeroRow};
    for (int i = 0; i < kGridSize; ++i) {
        // Grid points above 30 kHz pile up at the right edge.
        m_curve[i + 1].x =
            std::min(FreqToX(FrequencyGrid[i], m_plotWidth) + kPlotLeft, m_plotWidth + kPlotLeft);
    }
    Recalculate();
}

void CFilter::Recalculate() {
    switch (m_type) {
    case FT_PEAKING:
    case FT_LOWSHELF:
    case FT_HIGHSHELF:
        EvaluateResponse(DesignBiquad(kBandDesign[m_type], m_frequencyHz, m_q, m_gainDb), m_response);
        for (int i = 0; i < kGridSize; ++i) {
            m_responseDb[i] = MagnitudeDb(m_response[i]);
        }
        break;
    case FT_HIGHPASS:
    case FT_LOWPASS:
        if (m_slopeIndex == kSlopeBypass) {
            m_responseDb.fill(0.0);
        } else if (m_crossover) {
            CrossoverResponse(*m_crossover, m_responseDb);
        } else {
            FilterRecord own{static_cast<u8>(m_type - FT_HIGHPASS), {}, static_cast<u8>(m_slopeIndex)};
            own.freq = static_cast<std::uint16_t>(FreqToIndex(m_frequencyHz));
            CrossoverResponse(own, m_responseDb);
        }
        break;
    default:
        m_responseDb.fill(0.0);
        break;
    }
    PlaceMarker();
    UpdateCurveRows();
}

void CFilter::UpdateCurveRows() {
    for (int i = 0; i < kGridSize; ++i) {
        m_curve[i + 1].y = Row(GainToY(m_responseDb[i], m_plotHeight)) + kPlotTop;
    }
}

void CFilter::PlaceMarker() {
    if (IsCrossover()) {
        PlaceCrossoverMarker();
    } else {
        PlaceBandMarker();
    }
}

void CFilter::PlaceBandMarker() {
    int mx = FreqToX(m_frequencyHz, m_plotWidth) - 8;
    int my = Row(GainToY(m_gainDb, m_plotHeight)) - 8;
    mx = std::max(mx, -8);
    my = std::max(my, 0);
    if (mx + kMarkerSize > m_plotWidth) {
        mx = m_plotWidth - kMarkerSize;
    }
    if (my + kMarkerSize >= m_plotHeight) {
        my = m_plotHeight - kMarkerSize;
    }
    m_markerRect = {mx + kPlotLeft, my + kPlotTop, mx + kPlotLeft + kMarkerSize, my + kPlotTop + kMarkerSize};

    // The label sits 100 pixels either side of the marker, kept inside the plot's width.
    const int plotRight = m_plotWidth + kPlotLeft;
    m_labelRect.left = m_markerRect.left - 100;
    m_labelRect.right = m_markerRect.right + 100;
    if (m_labelRect.right > plotRight) {
        m_labelRect.right = plotRight;
        m_labelRect.left = plotRight - 200;
    } else if (m_labelRect.left < kPlotLeft) {
        m_labelRect.left = kPlotLeft;
        m_labelRect.right = kPlotLeft + 200;
    }
    // Below the marker for a boost or 0 dB, above it for a cut, so that it never covers the curve's peak.
    if (m_type == FT_BYPASS || GainIndex() >= kGainIndexZero) {
        m_labelRect.top = m_markerRect.top + 35;
        m_labelRect.bottom = m_markerRect.bottom + 85;
    } else {
        m_labelRect.top = m_markerRect.top - 50;
        m_labelRect.bottom = m_markerRect.top + 50;
    }
}

void CFilter::PlaceCrossoverMarker() {
    int mx = FreqToX(m_frequencyHz, m_plotWidth) - 8;
    // The marker hangs below the +2 dB line (high-pass) or the 0 dB line (low-pass).
    const int my = Row(GainToY(m_type == FT_HIGHPASS ? 2.0 : 0.0, m_plotHeight));
    mx = std::max(mx, -8);
    if (mx + kMarkerSize > m_plotWidth + 8) {
        mx = m_plotWidth + 8 - kMarkerSize;
    }
    m_markerRect = {mx + kPlotLeft, my + kPlotTop, mx + kPlotLeft + kMarkerSize, my + kPlotTop + kMarkerSize};

    if (m_type == FT_HIGHPASS) {
        m_labelRect.top = m_markerRect.top + 15;
        m_labelRect.bottom = m_markerRect.bottom + 25;
    } else {
        m_labelRect.top = m_markerRect.top - 15;
        m_labelRect.bottom = m_markerRect.bottom + 20;
    }
    const int plotRight = m_plotWidth + kPlotLeft;
    m_labelRect.left = m_markerRect.left;
    m_labelRect.right = m_markerRect.right + 50;
    if (m_labelRect.right > plotRight) {
        m_labelRect.right = plotRight;
        m_labelRect.left = plotRight - 66;
    }
}

int CFilter::FrequencyIndex() const {
    if (m_band) {
        return SafeFreqIndex(m_band->freq.get());
    }
    if (m_crossover) {
        return SafeFreqIndex(m_crossover->freq.get());
    }
    return FreqToIndex(m_frequencyHz);
}

int CFilter::GainIndex() const {
    return m_band ? m_band->gain : DbToGainIndexDrag(m_gainDb);
}

int CFilter::QIndex() const {
    return m_band ? m_band->q : QToIndex(m_q);
}

double CFilter::FrequencyHz() {
    if (m_type != FT_BYPASS && (m_band || m_crossover)) {
        m_frequencyHz = IndexToFreq(FrequencyIndex());
    }
    return m_frequencyHz;
}

double CFilter::GainDb() const {
    return m_band ? GainIndexToDb(m_band->gain) : m_gainDb;
}

const std::string& CFilter::BuildLabel() {
    if (IsCrossover()) {
        m_labelText = FormatCrossoverFreq(FrequencyIndex(), m_frequencyHz) + "Hz ";
        return m_labelText;
    }
    static constexpr const char* kPrefix[] = {"BY  ", "PEQ  ", "LS  ", "HS  "};
    const bool shelf = m_type == FT_LOWSHELF || m_type == FT_HIGHSHELF;
    m_labelText = std::string(kPrefix[m_type]) + FormatBandFreq(m_frequencyHz) + "Hz " +
                  Format(shelf ? "%.3f" : "%.2f", m_q) + "Q " + Format("%.1f", m_gainDb) + "dB";
    return m_labelText;
}

void CFilter::BeginDrag(Point p) {
    m_dragOffset = p - m_markerRect.Center();
}

bool CFilter::DragBand(Point p) {
    if (!IsBand() || !HasPlot()) {
        return false;
    }
    if (m_markerRect.Center() + m_dragOffset == p) {
        return true; // the pointer has not moved the marker
    }
    const Point target = p - m_dragOffset; // where the marker centre goes
    const int x = std::clamp(target.x - kPlotLeft, 0, m_plotWidth);
    const int y = std::clamp(target.y - kPlotTop, 0, m_plotHeight);
    double f = XToFreq(x, m_plotWidth);
    double g = YToGain(y, m_plotHeight);
    g = std::clamp(g, m_restrictedGain ? -12.0 : -24.0, 12.0);

    f = std::clamp(f, kFreqMinHz, kFreqMaxHz);
    const int freqIndex = FreqToIndex(f);
    m_frequencyHz = m_type == FT_BYPASS ? f : IndexToFreq(freqIndex);

    m_gainDb = g;
    const int gainIndex = DbToGainIndexDrag(g);
    if (m_band) {
        // Frequency and gain in one write: the change detector never sends one without the other.
        EqBand next = *m_band;
        next.freq = static_cast<std::uint16_t>(freqIndex);
        next.gain = static_cast<u8>(gainIndex);
        StoreBand(next);
    }
    if (m_gainSlider) {
        m_gainSlider->SetPosInverted(gainIndex);
    }
    Recalculate();
    return true;
}

bool CFilter::DragQ(int x) {
    if (!IsBand()) {
        return false;
    }
    // Ten pixels right of the marker centre raise Q one table step; the marker stays put.
    SetQIndex(std::clamp((x - m_markerRect.Center().x) / 10 + m_savedQIndex, 0, kQIndexMax));
    return true;
}

bool CFilter::DragCrossover(Point p) {
    if (!IsCrossover() || !HasPlot()) {
        return false;
    }
    int x = (p - m_dragOffset).x - kPlotLeft;
    if (x <= 0 && m_type == FT_HIGHPASS) {
        // Past the left edge the high-pass is out of the way: lowest index, nothing in the summed curve.
        if (m_crossover) {
            FilterRecord next = *m_crossover;
            next.freq = 0;
            StoreCrossover(next);
        }
        m_responseDb.fill(0.0);
        PlaceMarker();
        return true;
    }
    x = std::clamp(x, 0, m_plotWidth);
    const double f = std::clamp(XToFreq(x, m_plotWidth), kFreqMinHz, kFreqMaxHz);
    const int index = FreqToIndex(f);
    if (m_crossover) {
        FilterRecord next = *m_crossover;
        next.freq = static_cast<std::uint16_t>(index);
        StoreCrossover(next);
    }
    m_frequencyHz = IndexToFreq(index);
    Recalculate();
    return true;
}

} // namespace kel

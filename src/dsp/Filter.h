// CFilter: one EQ band or crossover bound to its image record, with its response, curve, marker and label.
#pragma once

#include "dsp/Biquad.h"
#include "dsp/Geometry.h"
#include "model/ProgramImage.h"

#include <array>
#include <string>

namespace kel {

// Filter types: 0..3 are the band type byte of an EqBand.
enum FilterType : int {
    FT_BYPASS = 0,
    FT_PEAKING = 1,
    FT_LOWSHELF = 2,
    FT_HIGHSHELF = 3,
    FT_HIGHPASS = 4,
    FT_LOWPASS = 5,
};

// Where the plot area sits inside the EQ graph window.
inline constexpr int kPlotLeft = 35;
inline constexpr int kPlotTop = 10;
inline constexpr int kMarkerSize = 16;
inline constexpr int kCurvePoints = kGridSize + 2;

// The band strip's gain slider as the filter sees it; the Qt slider adapts it.
class GainSliderLink {
  public:
    virtual ~GainSliderLink() = default;
    // Moves the slider to a gain index, counted from the slider's far end.
    virtual void SetPosInverted(int gainIndex) = 0;
};

class CFilter {
  public:
    void AttachBand(EqBand* record);
    void AttachCrossover(FilterRecord* record); // SetType(4 or 5) first
    // Re-reads the record the filter is bound to.
    void Reload();

    void SetType(int type);
    void SetFrequencyIndex(int index);
    void SetCrossoverFrequencyIndex(int index);
    void SetGainIndex(int index);
    void SetQIndex(int index);
    void SetSlope(int slope);
    void SetNumber(int n);
    void SetGainSlider(GainSliderLink* slider) { m_gainSlider = slider; }
    void SetRestrictedGain(bool restricted) { m_restrictedGain = restricted ? 1 : 0; }
    void SetPlotRect(const Rect& rect);
    void Recalculate();

    int Type() const { return m_type; }
    bool IsBand() const { return m_type >= FT_BYPASS && m_type <= FT_HIGHSHELF; }
    bool IsCrossover() const { return m_type == FT_HIGHPASS || m_type == FT_LOWPASS; }
    int FrequencyIndex() const;
    int GainIndex() const;
    int QIndex() const;
    int SlopeIndex() const { return m_slopeIndex; }
    // Refreshed from the record for types 1..5; a switched-off band keeps the frequency it was dragged to.
    double FrequencyHz();
    double Q() const { return m_q; }
    double GainDb() const;
    bool RestrictedGain() const { return m_restrictedGain != 0; }
    const std::string& NumberText() const { return m_numberText; }
    const Rect& MarkerRect() const { return m_markerRect; }
    const Rect& LabelRect() const { return m_labelRect; }
    const std::array<Point, kCurvePoints>& Curve() const { return m_curve; }
    const ResponseDb& ResponseDbValues() const { return m_responseDb; }
    const ComplexResponse& Response() const { return m_response; }
    EqBand* BandRecord() const { return m_band; }
    FilterRecord* CrossoverRecord() const { return m_crossover; }
    int PlotWidth() const { return m_plotWidth; }
    int PlotHeight() const { return m_plotHeight; }

    // The text shown beside the emphasised marker (also kept as the label text).
    const std::string& BuildLabel();
    const std::string& LabelText() const { return m_labelText; }

    // Flags the EQ graph keeps while the pointer is over or dragging this filter.
    bool Hovered() const { return m_hovered != 0; }
    bool LeftDragging() const { return m_leftDragging != 0; }
    bool RightDragging() const { return m_rightDragging != 0; }
    void SetHovered(bool on) { m_hovered = on ? 1 : 0; }
    void SetLeftDragging(bool on) { m_leftDragging = on ? 1 : 0; }
    void SetRightDragging(bool on) { m_rightDragging = on ? 1 : 0; }
    // The Q index a right-button drag counts from.
    void SetSavedQIndex(int index) { m_savedQIndex = index; }
    int SavedQIndex() const { return m_savedQIndex; }

    void BeginDrag(Point p);
    // Each returns true when the filter was changed.
    bool DragBand(Point p);
    bool DragQ(int x);
    bool DragCrossover(Point p);

  private:
    // The bound record takes a new value: in the working model through the edit path, elsewhere plainly.
    void StoreBand(const EqBand& value);
    void StoreCrossover(const FilterRecord& value);
    void LoadBand();
    void LoadCrossover();
    void PlaceMarker();
    void PlaceBandMarker();
    void PlaceCrossoverMarker();
    void UpdateCurveRows();
    bool HasPlot() const { return m_plotWidth > 0 && m_plotHeight > 0; }

    ComplexResponse m_response{}; // scratch of the last band evaluation
    ResponseDb m_responseDb{};
    Point m_dragOffset;
    Rect m_markerRect;
    int m_hovered = 0;
    int m_leftDragging = 0;
    int m_rightDragging = 0;
    GainSliderLink* m_gainSlider = nullptr;
    EqBand* m_band = nullptr;
    FilterRecord* m_crossover = nullptr;
    int m_restrictedGain = 0;
    int m_type = FT_PEAKING;
    double m_frequencyHz = 20.0;
    double m_gainDb = 0.0;
    double m_q = 0.3;
    int m_savedQIndex = 0;
    int m_slopeIndex = 0;
    int m_plotWidth = 0;
    int m_plotHeight = 0;
    std::string m_numberText;
    // Point 0 and point 421 close the response onto the 0 dB row so that it can be filled.
    std::array<Point, kCurvePoints> m_curve{};
    Rect m_labelRect;
    std::string m_labelText;
};

} // namespace kel

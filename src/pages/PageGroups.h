// Groups of controls that several pages show alike — a crossover, a titled slider, a noise gate, a
// limiter, an exciter — as pieces of a page's tables: their template items at a place, their bindings to
// a record, their captions in both languages. A page joins the pieces with Concat.
#pragma once

#include "model/DataConver.h"
#include "model/ProgramImage.h"
#include "pages/PageConventions.h"
#include "pages/PageTemplate.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace kel::groups {

template <class T, std::size_t... N>
constexpr std::array<T, (N + ...)> Concat(const std::array<T, N>&... parts) {
    std::array<T, (N + ...)> out{};
    auto at = out.begin();
    ((at = std::copy(parts.begin(), parts.end(), at)), ...);
    return out;
}

// The lists of the combo boxes the groups use.
inline constexpr std::array<const char*, 10> kDigitItems = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

// Widths in dialog units shared by the groups: a row's label and value, a column.
inline constexpr int kLabelW = 62;
inline constexpr int kValueW = 46;
inline constexpr int kColumnW = 108;
inline constexpr int kSliderW = 91;
inline constexpr int kSliderH = 11;

// A row of a group: label and value display on one line, the slider under them.
struct RowIds {
    int label, value, slider;
};

constexpr std::array<TemplateItem, 3> Row(const RowIds& r, int x, int y, const char* caption) {
    return {{{r.label, ItemKind::Label, {x, y, kLabelW, 8}, caption},
             {r.value, ItemKind::Display, {x + kLabelW, y, kValueW, 8}},
             {r.slider, ItemKind::Slider, {x, y + 9, kSliderW, kSliderH}}}};
}

// ------------------------------------------------------------------------------------------ band labels

// The labels at the left of a row of band strips, beside the strips' type, gain, frequency and Q.
struct BandLabelIds {
    int type, gain, freq, q;
};

constexpr std::array<TemplateItem, 4> BandLabelTemplate(const BandLabelIds& b) {
    return {{{b.type, ItemKind::Label, {4, 17, 30, 8}, "类型"},
             {b.gain, ItemKind::Label, {4, 31, 30, 8}, "增益(dB)"},
             {b.freq, ItemKind::Label, {4, 117, 30, 8}, "频率(Hz)"},
             {b.q, ItemKind::Label, {4, 130, 30, 8}, "Q值"}}};
}

constexpr std::array<PageText, 4> BandLabelTexts(const BandLabelIds& b) {
    return {{{b.type, "类型", "Type"},
             {b.freq, "频率(Hz)", "Freq(Hz)"},
             {b.gain, "增益(dB)", "Gain(dB)"},
             {b.q, "Q值", "Q"}}};
}

// ------------------------------------------------------------------------------------------- crossover

// Title, slope list and frequency edit beside it, slider under them.
struct CrossoverIds {
    int title, slope, edit, slider;
};

constexpr std::array<TemplateItem, 4> CrossoverTemplate(const CrossoverIds& c, int x, int y,
                                                        const char* title) {
    return {{{c.title, ItemKind::Title, {x, y, kColumnW, 9}, title},
             {c.slope, ItemKind::Combo, {x, y + 10, 64, 12}},
             {c.edit, ItemKind::NumEdit, {x + 66, y + 10, 44, 12}},
             {c.slider, ItemKind::Slider, {x, y + 24, kSliderW, kSliderH}}}};
}

// Frequency and slope of a record field (the main HPF of a music channel) or of a crossover object.
constexpr SliderBinding CrossoverSlider(const CrossoverIds& c, Field frequency) {
    return {c.slider, c.edit, Conv::FilterFreq, frequency};
}
constexpr ComboBinding CrossoverSlope(const CrossoverIds& c, Field slope) {
    return {c.slope, SlopeLabels, slope};
}
constexpr SliderBinding CrossoverSlider(const CrossoverIds& c, FieldBase object) {
    return CrossoverSlider(c, FilterField(object, FieldForm::Frequency));
}
constexpr ComboBinding CrossoverSlope(const CrossoverIds& c, FieldBase object) {
    return CrossoverSlope(c, FilterField(object, FieldForm::Slope));
}

// ------------------------------------------------------------------------------------- titled slider

// A title with the value display beside it, the slider under them (key control, mic level).
struct TitledSliderIds {
    int title, value, slider;
};

constexpr std::array<TemplateItem, 3> TitledSliderTemplate(const TitledSliderIds& t, int x, int y,
                                                           const char* title) {
    return {{{t.title, ItemKind::Title, {x, y, 66, 9}, title},
             {t.value, ItemKind::Display, {x + 66, y, 44, 9}},
             {t.slider, ItemKind::Slider, {x, y + 11, kSliderW, kSliderH}}}};
}

// ---------------------------------------------------------------------------------------- noise gate

struct GateIds {
    int title;
    RowIds threshold, attack, release;
};

constexpr std::array<TemplateItem, 10> GateTemplate(const GateIds& g, int x, int y, int pitch) {
    return Concat(std::array<TemplateItem, 1>{{{g.title, ItemKind::Title, {x, y, kColumnW, 9}, "噪声门"}}},
                  Row(g.threshold, x, y + 11, "启动电平"), Row(g.attack, x, y + 11 + pitch, "启动时间"),
                  Row(g.release, x, y + 11 + 2 * pitch, "释放时间"));
}

// The gate record `gate` of the record `base` names.
template <class Record>
constexpr std::array<SliderBinding, 3> GateSliders(const GateIds& g, FieldBase base,
                                                   FieldOf<Record, GateRecord> gate) {
    return {{{g.threshold.slider, g.threshold.value, Conv::GateThreshold, FieldIn(base, KEL_PART(gate, threshold))},
             {g.attack.slider, g.attack.value, Conv::GateAttack, FieldIn(base, KEL_PART(gate, attack))},
             {g.release.slider, g.release.value, Conv::GateRelease, FieldIn(base, KEL_PART(gate, release))}}};
}

constexpr std::array<PageText, 4> GateTexts(const GateIds& g) {
    return {{{g.title, "噪声门", "NoiseGate"},
             {g.threshold.label, "启动电平", "Threshold"},
             {g.attack.label, "启动时间", "Attack Time"},
             {g.release.label, "释放时间", "Release Time"}}};
}

// The rows a page disables in "Easy Mode": attack and release.
constexpr std::array<int, 4> GateExpert(const GateIds& g) {
    return {g.attack.slider, g.attack.value, g.release.slider, g.release.value};
}

// ------------------------------------------------------------------------------------------- limiter

struct LimiterIds {
    int title;
    RowIds level, attack, release, ratio;
};

// What differs between the limiters of the pages: the music and microphone pages show the level in dBV
// and the attack row as "Attack Time(Atk)"; the main output page in dB (LimiterSliders takes the level
// conversion) and as "Attack Time".
struct LimiterStyle {
    Conv level;
    PageText attack; // the attack row's caption (the id is not used)
};
inline constexpr LimiterStyle kInputLimiter = {Conv::LimitLevel,
                                               {0, "压限启动时间(Atk)", "Attack Time(Atk)"}};
inline constexpr LimiterStyle kOutputLimiter = {Conv::OutputLimitLevel, {0, "压限启动时间", "Attack Time"}};

constexpr std::array<TemplateItem, 13> LimiterTemplate(const LimiterIds& l, int x, int y, int pitch,
                                                       const char* title,
                                                       const LimiterStyle& style = kInputLimiter) {
    return Concat(std::array<TemplateItem, 1>{{{l.title, ItemKind::Title, {x, y, kColumnW, 9}, title}}},
                  Row(l.level, x, y + 11, "压限启动电平"), Row(l.attack, x, y + 11 + pitch, style.attack.zh),
                  Row(l.release, x, y + 11 + 2 * pitch, "压限释放时间"),
                  Row(l.ratio, x, y + 11 + 3 * pitch, "压缩比例"));
}

// The four rows alone, without a title (the dynamic EQ page's compressor of each band).
constexpr std::array<TemplateItem, 12> LimiterRows(const LimiterIds& l, int x, int y, int pitch) {
    return Concat(Row(l.level, x, y, "压限启动电平"), Row(l.attack, x, y + pitch, "压限启动时间(Atk)"),
                  Row(l.release, x, y + 2 * pitch, "压限释放时间"),
                  Row(l.ratio, x, y + 3 * pitch, "压缩比例"));
}

// The four bytes of the limiter record `limiter` of the record `base` names; `level` is the limit level's
// conversion (its range and offset differ between the music and microphone limiters and the dynamic EQ
// compressors).
template <class Record>
constexpr std::array<SliderBinding, 4> LimiterSliders(const LimiterIds& l, FieldBase base,
                                                      FieldOf<Record, LimiterRecord> limiter,
                                                      Conv level = Conv::LimitLevel) {
    return {{{l.level.slider, l.level.value, level, FieldIn(base, KEL_PART(limiter, level))},
             {l.attack.slider, l.attack.value, Conv::CompAttack, FieldIn(base, KEL_PART(limiter, attack))},
             {l.release.slider, l.release.value, Conv::CompRelease, FieldIn(base, KEL_PART(limiter, release))},
             {l.ratio.slider, l.ratio.value, Conv::Ratio, FieldIn(base, KEL_PART(limiter, ratio))}}};
}

// The compressor of a dynamic EQ band: four bytes laid out as a limiter record.
static_assert(offsetof(DynamicEqBand, attack) == offsetof(DynamicEqBand, limitLevel) + offsetof(LimiterRecord, attack) &&
              offsetof(DynamicEqBand, release) == offsetof(DynamicEqBand, limitLevel) + offsetof(LimiterRecord, release) &&
              offsetof(DynamicEqBand, ratio) == offsetof(DynamicEqBand, limitLevel) + offsetof(LimiterRecord, ratio));
template <class Record>
constexpr FieldOf<Record, LimiterRecord> CompressorOf(FieldOf<Record, DynamicEqBand> band) {
    return PartOf<LimiterRecord>(band, offsetof(DynamicEqBand, limitLevel));
}

// The row labels; the title is the page's own.
constexpr std::array<PageText, 4> LimiterRowTexts(const LimiterIds& l,
                                                  const LimiterStyle& style = kInputLimiter) {
    return {{{l.level.label, "压限启动电平", "Limit Level"},
             {l.attack.label, style.attack.zh, style.attack.en},
             {l.release.label, "压限释放时间", "Release Time"},
             {l.ratio.label, "压缩比例", "Ratio"}}};
}

// Every slider and value display of the limiter.
constexpr std::array<int, 8> LimiterExpert(const LimiterIds& l) {
    return {l.level.slider,   l.level.value,   l.attack.slider, l.attack.value,
            l.release.slider, l.release.value, l.ratio.slider,  l.ratio.value};
}

// ------------------------------------------------------------------------------------------- exciter

struct ExciterIds {
    int title, freqLabel, freqEdit, freqSlider, harmonicLabel, harmonic, timbreLabel, timbre;
};

constexpr std::array<TemplateItem, 8> ExciterTemplate(const ExciterIds& e, int x, int y, const char* title) {
    return {{{e.title, ItemKind::Title, {x, y, kColumnW, 9}, title},
             {e.freqLabel, ItemKind::Label, {x, y + 12, kLabelW, 8}, "频率"},
             {e.freqEdit, ItemKind::NumEdit, {x + kLabelW, y + 10, kValueW, 12}},
             {e.freqSlider, ItemKind::Slider, {x, y + 23, kSliderW, kSliderH}},
             {e.harmonicLabel, ItemKind::Label, {x, y + 38, kLabelW, 8}, "谐波量"},
             {e.harmonic, ItemKind::Combo, {x + kLabelW, y + 36, kValueW, 12}},
             {e.timbreLabel, ItemKind::Label, {x, y + 52, kLabelW, 8}, "音品"},
             {e.timbre, ItemKind::Combo, {x + kLabelW, y + 50, kValueW, 12}}}};
}

// The exciter record `exciter` of the edited record.
template <class Record>
constexpr SliderBinding ExciterSlider(const ExciterIds& e, FieldOf<Record, ExciterRecord> exciter) {
    return {e.freqSlider, e.freqEdit, Conv::FilterFreq, EditedField(KEL_PART(exciter, freq))};
}

template <class Record>
constexpr std::array<ComboBinding, 2> ExciterCombos(const ExciterIds& e, FieldOf<Record, ExciterRecord> exciter) {
    return {{{e.harmonic, kDigitItems, EditedField(KEL_PART(exciter, harmonic))},
             {e.timbre, kDigitItems, EditedField(KEL_PART(exciter, timbre))}}};
}

// Frequency and timbre; "Harmonic" is rewritten by ApplyMode as well (ExciterHarmonicText).
constexpr std::array<PageText, 2> ExciterTexts(const ExciterIds& e) {
    return {{{e.timbreLabel, "音品", "Timbre"}, {e.freqLabel, "频率", "Freq"}}};
}

constexpr PageText ExciterHarmonicText(const ExciterIds& e) {
    return {e.harmonicLabel, "谐波量", "Harmonic"};
}

} // namespace kel::groups

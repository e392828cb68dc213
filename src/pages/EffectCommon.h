// What the echo and the reverb sub-pages share: the left half (band labels, 7 strips, "EQ Reset", "EQ
// pass") and the first column (wet and dry volumes with their sign switches, HPF, LPF), bound to the
// part the echo and reverb blocks have alike, with the same control ids on both sub-pages.
#pragma once

#include "model/ProgramImage.h"
#include "pages/PageGroups.h"

#include <array>
#include <cstddef>

namespace kel::effect {

enum CommonId : int {
    IDC_LABEL_TYPE = 3100,
    IDC_LABEL_GAIN,
    IDC_LABEL_FREQ,
    IDC_LABEL_Q,
    IDC_EQ_RESET,
    IDC_EQ_PASS,
    IDC_WET_TITLE,
    IDC_WET_VALUE,
    IDC_WET_SLIDER,
    IDC_WET_SIGN,
    IDC_DRY_TITLE,
    IDC_DRY_VALUE,
    IDC_DRY_SLIDER,
    IDC_DRY_SIGN,
    IDC_HPF_TITLE,
    IDC_HPF_SLOPE,
    IDC_HPF_EDIT,
    IDC_HPF_SLIDER,
    IDC_LPF_TITLE,
    IDC_LPF_SLOPE,
    IDC_LPF_EDIT,
    IDC_LPF_SLIDER,
    IDC_FIRST_OWN = 3200, // the sub-page's own controls
};

inline constexpr int kBands = 7;
// The sub-pages sit at this pixel offset inside the effect page, 715 × 170 dialog units each.
inline constexpr int kSubPageX = 100;
inline constexpr int kSubPageW = 715;
inline constexpr int kSubPageH = 170;

// The reverb block has the echo block's layout up to byte 51; the shared fields are read at the echo
// block's offsets.
static_assert(offsetof(EchoBlock, bypass) == 35 && offsetof(EchoBlock, wet) == 36 &&
              offsetof(EchoBlock, wetSign) == 37 && offsetof(EchoBlock, dry) == 38 &&
              offsetof(EchoBlock, drySign) == 39 && offsetof(EchoBlock, hpf) == 40 &&
              offsetof(EchoBlock, lpf) == 44);
static_assert(offsetof(ReverbBlock, bypass) == offsetof(EchoBlock, bypass) &&
              offsetof(ReverbBlock, drySign) == offsetof(EchoBlock, drySign) &&
              offsetof(ReverbBlock, lpf) == offsetof(EchoBlock, lpf));

inline constexpr groups::BandLabelIds kBandLabels = {IDC_LABEL_TYPE, IDC_LABEL_GAIN, IDC_LABEL_FREQ,
                                                     IDC_LABEL_Q};
inline constexpr groups::TitledSliderIds kWet = {IDC_WET_TITLE, IDC_WET_VALUE, IDC_WET_SLIDER};
inline constexpr groups::TitledSliderIds kDry = {IDC_DRY_TITLE, IDC_DRY_VALUE, IDC_DRY_SLIDER};
inline constexpr groups::CrossoverIds kHpf = {IDC_HPF_TITLE, IDC_HPF_SLOPE, IDC_HPF_EDIT, IDC_HPF_SLIDER};
inline constexpr groups::CrossoverIds kLpf = {IDC_LPF_TITLE, IDC_LPF_SLOPE, IDC_LPF_EDIT, IDC_LPF_SLIDER};

// Column 1 at x 372; column 2 (the sub-page's own) at x 513.
inline constexpr int kCol1 = 372;
inline constexpr int kCol2 = 513;

// The captions the two sub-pages give their shared controls (the template's Chinese ones).
struct CommonCaptions {
    const char* wet;
    const char* dry;
    const char* hpf;
    const char* lpf;
    int wetSignY; // the sign buttons' rows differ by a unit or two
    int drySignY;
};

constexpr auto CommonTemplate(const CommonCaptions& c) {
    return groups::Concat(
        groups::BandLabelTemplate(kBandLabels),
        std::to_array<TemplateItem>({
            {IDC_EQ_RESET, ItemKind::Button, {34, 148, 60, 14}, "EQ重置"},
            {IDC_EQ_PASS, ItemKind::Button, {113, 148, 60, 14}, "EQ pass"},
        }),
        groups::TitledSliderTemplate(kWet, kCol1, 8, c.wet),
        std::to_array<TemplateItem>({{IDC_WET_SIGN, ItemKind::SignButton, {484, c.wetSignY, 14, 12}}}),
        groups::TitledSliderTemplate(kDry, kCol1, 36, c.dry),
        std::to_array<TemplateItem>({{IDC_DRY_SIGN, ItemKind::SignButton, {484, c.drySignY, 14, 12}}}),
        groups::CrossoverTemplate(kHpf, kCol1, 66, c.hpf),
        groups::CrossoverTemplate(kLpf, kCol1, 107, c.lpf));
}

// The shared half binds the same members of an echo block and of the reverb block.
template <class Block> constexpr std::array<SliderBinding, 4> CommonSliders(Conv volume) {
    return {{{IDC_WET_SLIDER, IDC_WET_VALUE, volume, EditedField(KEL_FIELD(Block, wet))},
             {IDC_DRY_SLIDER, IDC_DRY_VALUE, volume, EditedField(KEL_FIELD(Block, dry))},
             groups::CrossoverSlider(kHpf, FieldBase::HighPass),
             groups::CrossoverSlider(kLpf, FieldBase::LowPass)}};
}

inline constexpr std::array<ComboBinding, 2> kCommonCombos = {
    {groups::CrossoverSlope(kHpf, FieldBase::HighPass), groups::CrossoverSlope(kLpf, FieldBase::LowPass)}};

// The sign switches toggle their byte and leave the graph alone; "EQ pass" redraws it.
template <class Block>
inline constexpr std::array<ToggleBinding, 3> kCommonToggles = {{
    {IDC_EQ_PASS, EditedField(KEL_FIELD(Block, bypass)), true},
    {IDC_WET_SIGN, EditedField(KEL_FIELD(Block, wetSign)), false},
    {IDC_DRY_SIGN, EditedField(KEL_FIELD(Block, drySign)), false},
}};

// "EQ pass" keeps its caption in both languages.
constexpr auto CommonTexts(const PageText& wet, const PageText& dry, const PageText& hpf,
                           const PageText& lpf) {
    return groups::Concat(
        groups::BandLabelTexts(kBandLabels),
        std::to_array<PageText>({wet, dry, hpf, lpf, {IDC_EQ_RESET, "EQ重置", "EQ Reset"}}));
}

// The dry volume is an expert control on both sub-pages.
inline constexpr std::array<int, 2> kCommonExpert = {IDC_DRY_SLIDER, IDC_DRY_VALUE};

} // namespace kel::effect

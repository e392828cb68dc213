// The microphone page: its template, bindings, texts and expert controls. Every field, dynamics included,
// belongs to the microphone being edited.
#include "pages/Mic_Dlg.h"

#include "controls/CFStatic.h"
#include "model/RangeCheck.h"
#include "model/Sections.h"
#include "pages/PageGroups.h"

#include <array>

namespace kel {

namespace {

using M = CMic_Dlg;

// Fields of a MicBlock.
constexpr auto kLimiter = KEL_FIELD(MicBlock, limiter);
constexpr auto kGate = KEL_FIELD(MicBlock, gate);
constexpr auto kLowExciter = KEL_FIELD(MicBlock, lowExciter);
constexpr auto kHighExciter = KEL_FIELD(MicBlock, highExciter);
static_assert(offsetof(MicBlock, level) == 0 && offsetof(MicBlock, feedback) == 1 && kLimiter.offset == 2 &&
              kGate.offset == 6);
static_assert(offsetof(MicBlock, eq) == 17 && offsetof(MicBlock, bypass) == 117);
static_assert(kLowExciter.offset == 144 && kHighExciter.offset == 148 && sizeof(MicBlock) == 157);

constexpr groups::BandLabelIds kBandLabels = {M::IDC_LABEL_TYPE, M::IDC_LABEL_GAIN, M::IDC_LABEL_FREQ,
                                              M::IDC_LABEL_Q};
constexpr groups::CrossoverIds kHpf = {M::IDC_HPF_TITLE, M::IDC_HPF_SLOPE, M::IDC_HPF_EDIT,
                                       M::IDC_HPF_SLIDER};
constexpr groups::CrossoverIds kLpf = {M::IDC_LPF_TITLE, M::IDC_LPF_SLOPE, M::IDC_LPF_EDIT,
                                       M::IDC_LPF_SLIDER};
constexpr groups::TitledSliderIds kLevel = {M::IDC_LEVEL_TITLE, M::IDC_LEVEL_VALUE, M::IDC_LEVEL_SLIDER};
constexpr groups::GateIds kGateIds = {
    M::IDC_GATE_TITLE,
    {M::IDC_GATE_THRESHOLD_LABEL, M::IDC_GATE_THRESHOLD_VALUE, M::IDC_GATE_THRESHOLD_SLIDER},
    {M::IDC_GATE_ATTACK_LABEL, M::IDC_GATE_ATTACK_VALUE, M::IDC_GATE_ATTACK_SLIDER},
    {M::IDC_GATE_RELEASE_LABEL, M::IDC_GATE_RELEASE_VALUE, M::IDC_GATE_RELEASE_SLIDER}};
constexpr groups::LimiterIds kLimiterIds = {
    M::IDC_LIMIT_TITLE,
    {M::IDC_LIMIT_LEVEL_LABEL, M::IDC_LIMIT_LEVEL_VALUE, M::IDC_LIMIT_LEVEL_SLIDER},
    {M::IDC_LIMIT_ATTACK_LABEL, M::IDC_LIMIT_ATTACK_VALUE, M::IDC_LIMIT_ATTACK_SLIDER},
    {M::IDC_LIMIT_RELEASE_LABEL, M::IDC_LIMIT_RELEASE_VALUE, M::IDC_LIMIT_RELEASE_SLIDER},
    {M::IDC_RATIO_LABEL, M::IDC_RATIO_VALUE, M::IDC_RATIO_SLIDER}};
// The exciters' ids follow one another in the order of ExciterIds.
constexpr groups::ExciterIds ExciterAt(int title) {
    return {title, title + 1, title + 2, title + 3, title + 4, title + 5, title + 6, title + 7};
}
constexpr groups::ExciterIds kLowExciterIds = ExciterAt(M::IDC_LOW_EXCITER_TITLE);
constexpr groups::ExciterIds kHighExciterIds = ExciterAt(M::IDC_HIGH_EXCITER_TITLE);
static_assert(kLowExciterIds.timbre == M::IDC_LOW_TIMBRE && kHighExciterIds.timbre == M::IDC_HIGH_TIMBRE);

// The template (dialog 145), in dialog units. The left half is laid out as on the music page; columns
// at x 373 (HPF, LPF, level, feedback), 488 (gate, low exciter) and 603 (limiter, high exciter).
constexpr int kCol1 = 373, kCol2 = 488, kCol3 = 603;

constexpr auto kTemplate = groups::Concat(
    groups::BandLabelTemplate(kBandLabels),
    std::to_array<TemplateItem>({
        {M::IDC_BAND_SCROLLER, ItemKind::Scroller, {1, 143, 366, 13}},
        {M::IDC_SYNC, ItemKind::Button, {14, 158, 52, 14}, "同步"},
        {M::IDC_MIC1, ItemKind::Button, {80, 158, 52, 14}, "话筒1"},
        {M::IDC_MIC2, ItemKind::Button, {145, 158, 52, 14}, "话筒2"},
        {M::IDC_EQ_RESET, ItemKind::Button, {245, 158, 52, 14}, "EQ 重置"},
        {M::IDC_EQ_BYPASS, ItemKind::Button, {313, 158, 52, 14}, "EQ Bypass"},
        {M::IDC_GRAPH, ItemKind::Graph, {6, 176, 706, 164}},
    }),
    groups::CrossoverTemplate(kHpf, kCol1, 4, "高通"), groups::CrossoverTemplate(kLpf, kCol1, 51, "低通"),
    groups::TitledSliderTemplate(kLevel, kCol1, 95, "话筒电平"),
    std::to_array<TemplateItem>({
        {M::IDC_FEEDBACK_TITLE, ItemKind::Title, {kCol1, 121, 60, 9}, "啸叫抑制"},
        {M::IDC_FEEDBACK, ItemKind::Combo, {kCol1 + 62, 119, 46, 12}},
    }),
    groups::GateTemplate(kGateIds, kCol2, 4, 25),
    groups::ExciterTemplate(kLowExciterIds, kCol2, 109, "低音激励"),
    groups::LimiterTemplate(kLimiterIds, kCol3, 2, 24, "压限器"),
    groups::ExciterTemplate(kHighExciterIds, kCol3, 109, "高音激励"));

constexpr auto kSliders = groups::Concat(
    std::to_array<SliderBinding>({
        groups::CrossoverSlider(kHpf, FieldBase::HighPass),
        groups::CrossoverSlider(kLpf, FieldBase::LowPass),
        {M::IDC_LEVEL_SLIDER, M::IDC_LEVEL_VALUE, Conv::MicLevel, EditedField(KEL_FIELD(MicBlock, level))},
        groups::ExciterSlider(kLowExciterIds, kLowExciter),
        groups::ExciterSlider(kHighExciterIds, kHighExciter),
    }),
    groups::GateSliders(kGateIds, FieldBase::Edited, kGate),
    groups::LimiterSliders(kLimiterIds, FieldBase::Edited, kLimiter));

constexpr std::array<const char*, 5> kFeedbackItems = {"OFF", "FB.EX1", "FB.EX2", "FB.EX3", "FB.EX4"};
static_assert(kFeedbackItems.size() == kFeedbackChoices, "the range check of files knows these choices");

constexpr auto kCombos = groups::Concat(
    std::to_array<ComboBinding>({
        groups::CrossoverSlope(kHpf, FieldBase::HighPass),
        groups::CrossoverSlope(kLpf, FieldBase::LowPass),
        {M::IDC_FEEDBACK, kFeedbackItems, EditedField(KEL_FIELD(MicBlock, feedback))},
    }),
    groups::ExciterCombos(kLowExciterIds, kLowExciter), groups::ExciterCombos(kHighExciterIds, kHighExciter));

constexpr auto kToggles = std::to_array<ToggleBinding>({
    {M::IDC_EQ_BYPASS, EditedField(KEL_FIELD(MicBlock, bypass)), true},
});

// "EQ Bypass" keeps its caption in both languages.
constexpr auto kTexts = groups::Concat(
    std::to_array<PageText>({
        {M::IDC_LEVEL_TITLE, "话筒电平", "Mic Level"},
        {M::IDC_FEEDBACK_TITLE, "啸叫抑制", "Feedback"},
        {M::IDC_HPF_TITLE, "高通", "HPF"},
        {M::IDC_LPF_TITLE, "低通", "LPF"},
        {M::IDC_LIMIT_TITLE, "压限器", "Limit"},
        {M::IDC_LOW_EXCITER_TITLE, "低音激励", "Low Exciter"},
        {M::IDC_HIGH_EXCITER_TITLE, "高音激励", "High Exciter"},
        {M::IDC_SYNC, "同步", "SYNC"},
        {M::IDC_MIC1, "话筒1", "Mic 1"},
        {M::IDC_MIC2, "话筒2", "Mic 2"},
        {M::IDC_EQ_RESET, "EQ 重置", "EQ Reset"},
    }),
    groups::BandLabelTexts(kBandLabels), groups::GateTexts(kGateIds), groups::LimiterRowTexts(kLimiterIds),
    groups::ExciterTexts(kLowExciterIds), groups::ExciterTexts(kHighExciterIds));

// Rewritten by ApplyLanguage and again at the end of ApplyMode.
constexpr std::array<PageText, 2> kHarmonicTexts = {groups::ExciterHarmonicText(kLowExciterIds),
                                                    groups::ExciterHarmonicText(kHighExciterIds)};

// Disabled in "Easy Mode". The exciter frequency sliders stay: they still move and store the frequency
// while their edits are greyed.
constexpr auto kExpertControls =
    groups::Concat(std::to_array<int>({
                       M::IDC_SYNC,
                       M::IDC_LOW_FREQ_EDIT,
                       M::IDC_HIGH_FREQ_EDIT,
                       M::IDC_LOW_TIMBRE,
                       M::IDC_HIGH_TIMBRE,
                   }),
                   groups::GateExpert(kGateIds), groups::LimiterExpert(kLimiterIds));

constexpr auto kChannels = std::to_array<ChannelChoice>({
    {M::IDC_MIC1, EQ_MIC1, RecordIn(KEL_FIELD(ProgramImage, mic1))},
    {M::IDC_MIC2, EQ_MIC2, RecordIn(KEL_FIELD(ProgramImage, mic2))},
});

constexpr PageTables kTables = Checked({
    .record = RecordKind::Mic,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCombos,
    .toggles = kToggles,
    .texts = kTexts,
    .modeTexts = kHarmonicTexts,
    .expert = kExpertControls,
    .graph = {M::IDC_GRAPH, EQ_LAYOUT_MIC, EQ_MIC1},
    // The row is re-indexed only when the scroller's position actually changed.
    .strips = {.count = M::kStrips,
               .scroller = M::IDC_BAND_SCROLLER,
               .maxFirst = M::kBands - M::kStrips,
               .firstBand = &PageViewState::micFirstBand,
               .lastBand = &PageViewState::micLastBand},
    .channels = {.choices = kChannels,
                 .selection = &PageViewState::micChannel,
                 .linkButton = M::IDC_SYNC,
                 .linkByte = &ProgramImage::micSync,
                 .syncCopy = [] { SyncMic(true); }},
    .eqResetButton = M::IDC_EQ_RESET,
});

} // namespace

CMic_Dlg::CMic_Dlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {}

} // namespace kel

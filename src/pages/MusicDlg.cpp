// The music page: its template, its bindings, texts and expert controls, and the reactions of its own.
#include "pages/MusicDlg.h"

#include "controls/CFStatic.h"
#include "model/Sections.h"
#include "pages/PageGroups.h"

#include <array>

namespace kel {

namespace {

using M = CMusicDlg;

// Fields of a MusicBlock.
constexpr auto kLimiter = KEL_FIELD(MusicBlock, limiter);
constexpr auto kGate = KEL_FIELD(MusicBlock, gate);
constexpr auto kMainHpfFreq = KEL_FIELD(MusicBlock, mainHpf.freq);
constexpr auto kMainHpfSlope = KEL_FIELD(MusicBlock, mainHpf.slope);
constexpr auto kLowExciter = KEL_FIELD(MusicBlock, lowExciter);
constexpr auto kHighExciter = KEL_FIELD(MusicBlock, highExciter);
static_assert(kMainHpfFreq.offset == 118 && kMainHpfSlope.offset == 120);
static_assert(kLowExciter.offset == 151 && kHighExciter.offset == 155 && offsetof(MusicBlock, bypass) == 90);

// The groups of the three columns.
constexpr groups::BandLabelIds kBandLabels = {M::IDC_LABEL_TYPE, M::IDC_LABEL_GAIN, M::IDC_LABEL_FREQ,
                                              M::IDC_LABEL_Q};
constexpr groups::TitledSliderIds kKey = {M::IDC_KEY_TITLE, M::IDC_KEY_VALUE, M::IDC_KEY_SLIDER};
constexpr groups::CrossoverIds kMainHpfIds = {M::IDC_MAIN_HPF_TITLE, M::IDC_MAIN_HPF_SLOPE,
                                              M::IDC_MAIN_HPF_EDIT, M::IDC_MAIN_HPF_SLIDER};
constexpr groups::CrossoverIds kHpf = {M::IDC_HPF_TITLE, M::IDC_HPF_SLOPE, M::IDC_HPF_EDIT,
                                       M::IDC_HPF_SLIDER};
constexpr groups::CrossoverIds kLpf = {M::IDC_LPF_TITLE, M::IDC_LPF_SLOPE, M::IDC_LPF_EDIT,
                                       M::IDC_LPF_SLIDER};
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
constexpr groups::ExciterIds kLowExciterIds = {
    M::IDC_LOW_EXCITER_TITLE,  M::IDC_LOW_FREQ_LABEL, M::IDC_LOW_FREQ_EDIT,    M::IDC_LOW_FREQ_SLIDER,
    M::IDC_LOW_HARMONIC_LABEL, M::IDC_LOW_HARMONIC,   M::IDC_LOW_TIMBRE_LABEL, M::IDC_LOW_TIMBRE};
constexpr groups::ExciterIds kHighExciterIds = {
    M::IDC_HIGH_EXCITER_TITLE,  M::IDC_HIGH_FREQ_LABEL, M::IDC_HIGH_FREQ_EDIT,    M::IDC_HIGH_FREQ_SLIDER,
    M::IDC_HIGH_HARMONIC_LABEL, M::IDC_HIGH_HARMONIC,   M::IDC_HIGH_TIMBRE_LABEL, M::IDC_HIGH_TIMBRE};

// The template (dialog 135), in dialog units; captions as the template carries them.
// Columns: 1 at x 370 (key, MainMusic HPF, HPF, LPF), 2 at x 488 (gate, low exciter), 3 at x 604
// (limiter, high exciter).
constexpr int kCol1 = 370, kCol2 = 488, kCol3 = 604;

constexpr auto kTemplate = groups::Concat(
    groups::BandLabelTemplate(kBandLabels),
    std::to_array<TemplateItem>({
        {M::IDC_BAND_SCROLLER, ItemKind::Scroller, {1, 143, 367, 13}},
        {M::IDC_SYNC, ItemKind::Button, {14, 158, 52, 14}, "同步"},
        {M::IDC_MUSIC_LEFT, ItemKind::Button, {80, 158, 52, 14}, "音乐左"},
        {M::IDC_MUSIC_RIGHT, ItemKind::Button, {145, 158, 52, 14}, "音乐右"},
        {M::IDC_EQ_RESET, ItemKind::Button, {245, 158, 52, 14}, "EQ 重置"},
        {M::IDC_EQ_BYPASS, ItemKind::Button, {313, 158, 52, 14}, "EQ Bypass"},
        {M::IDC_GRAPH, ItemKind::Graph, {6, 176, 706, 167}},
    }),
    groups::TitledSliderTemplate(kKey, kCol1, 16, "音乐变调"),
    groups::CrossoverTemplate(kMainHpfIds, kCol1, 48, "主通道音乐高通"),
    groups::CrossoverTemplate(kHpf, kCol1, 90, "高通"), groups::CrossoverTemplate(kLpf, kCol1, 132, "低通"),
    groups::GateTemplate(kGateIds, kCol2, 4, 23),
    groups::ExciterTemplate(kLowExciterIds, kCol2, 108, "低音激励"),
    groups::LimiterTemplate(kLimiterIds, kCol3, 4, 22, "音乐压限器"),
    groups::ExciterTemplate(kHighExciterIds, kCol3, 108, "高音激励"));

// The limiter and the gate are one setting of both channels, kept in Music Left (the shared record).
constexpr auto kSliders =
    groups::Concat(std::to_array<SliderBinding>({
                       {M::IDC_KEY_SLIDER, M::IDC_KEY_VALUE, Conv::KeyControl,
                        SystemField(HighNibbleOf(KEL_FIELD(SystemBlock, keySen)))},
                       groups::CrossoverSlider(kMainHpfIds, EditedField(kMainHpfFreq)),
                       groups::CrossoverSlider(kHpf, FieldBase::HighPass),
                       groups::CrossoverSlider(kLpf, FieldBase::LowPass),
                       groups::ExciterSlider(kLowExciterIds, kLowExciter),
                       groups::ExciterSlider(kHighExciterIds, kHighExciter),
                   }),
                   groups::GateSliders(kGateIds, FieldBase::Shared, kGate),
                   groups::LimiterSliders(kLimiterIds, FieldBase::Shared, kLimiter));

constexpr auto kCombos = groups::Concat(
    std::to_array<ComboBinding>({
        groups::CrossoverSlope(kMainHpfIds, EditedField(kMainHpfSlope)),
        groups::CrossoverSlope(kHpf, FieldBase::HighPass),
        groups::CrossoverSlope(kLpf, FieldBase::LowPass),
    }),
    groups::ExciterCombos(kLowExciterIds, kLowExciter), groups::ExciterCombos(kHighExciterIds, kHighExciter));

constexpr auto kToggles = std::to_array<ToggleBinding>({
    {M::IDC_EQ_BYPASS, EditedField(KEL_FIELD(MusicBlock, bypass)), true},
});

constexpr auto kTexts = groups::Concat(
    std::to_array<PageText>({
        {M::IDC_KEY_TITLE, "音乐变调", "Key Control"},
        {M::IDC_MAIN_HPF_TITLE, "主通道音乐高通", "MainMusic HPF"},
        {M::IDC_HPF_TITLE, "高通", "HPF"},
        {M::IDC_LPF_TITLE, "低通", "LPF"},
        {M::IDC_LIMIT_TITLE, "音乐压限器", "Music Limit"},
        {M::IDC_LOW_EXCITER_TITLE, "低音激励", "Low Exciter"},
        {M::IDC_HIGH_EXCITER_TITLE, "高音激励", "High Exciter"},
        {M::IDC_SYNC, "同步", "SYNC"},
        {M::IDC_MUSIC_LEFT, "音乐左", "Music Left"},
        {M::IDC_MUSIC_RIGHT, "音乐右", "Music Right"},
        {M::IDC_EQ_RESET, "EQ 重置", "EQ Reset"},
    }),
    groups::BandLabelTexts(kBandLabels), groups::GateTexts(kGateIds), groups::LimiterRowTexts(kLimiterIds),
    groups::ExciterTexts(kLowExciterIds), groups::ExciterTexts(kHighExciterIds));

// Rewritten by ApplyLanguage and again at the end of ApplyMode.
constexpr std::array<PageText, 2> kHarmonicTexts = {groups::ExciterHarmonicText(kLowExciterIds),
                                                    groups::ExciterHarmonicText(kHighExciterIds)};

// Disabled in "Easy Mode".
constexpr auto kExpertControls =
    groups::Concat(std::to_array<int>({
                       M::IDC_SYNC,
                       M::IDC_MAIN_HPF_SLIDER,
                       M::IDC_MAIN_HPF_SLOPE,
                       M::IDC_MAIN_HPF_EDIT,
                       M::IDC_LOW_FREQ_EDIT,
                       M::IDC_LOW_FREQ_SLIDER,
                       M::IDC_HIGH_FREQ_EDIT,
                       M::IDC_HIGH_FREQ_SLIDER,
                       M::IDC_LOW_TIMBRE,
                       M::IDC_HIGH_TIMBRE,
                   }),
                   groups::GateExpert(kGateIds), groups::LimiterExpert(kLimiterIds));

constexpr auto kChannels = std::to_array<ChannelChoice>({
    {M::IDC_MUSIC_LEFT, EQ_MUSIC_L, RecordIn(KEL_FIELD(ProgramImage, musicL))},
    {M::IDC_MUSIC_RIGHT, EQ_MUSIC_R, RecordIn(KEL_FIELD(ProgramImage, musicR))},
});

constexpr PageTables kTables = Checked({
    .record = RecordKind::Music,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCombos,
    .toggles = kToggles,
    .texts = kTexts,
    .modeTexts = kHarmonicTexts,
    .expert = kExpertControls,
    .graph = {M::IDC_GRAPH, EQ_LAYOUT_MUSIC, EQ_MUSIC_L},
    .strips = {.count = M::kStrips,
               .scroller = M::IDC_BAND_SCROLLER,
               .maxFirst = M::kBands - M::kStrips,
               .firstBand = &PageViewState::musicFirstBand,
               .lastBand = &PageViewState::musicLastBand,
               .reindexUnchanged = true},
    .channels = {.choices = kChannels,
                 .selection = &PageViewState::musicChannel,
                 .linkButton = M::IDC_SYNC,
                 .linkByte = &ProgramImage::musicSync,
                 .syncCopy = [] { SyncMusic(true); },
                 // The limiter and the gate are one setting of both channels, kept in Music Left.
                 .sharedRecord = RecordIn(KEL_FIELD(ProgramImage, musicL))},
    .eqResetButton = M::IDC_EQ_RESET,
});

} // namespace

CMusicDlg::CMusicDlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {}

} // namespace kel

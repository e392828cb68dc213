// The music page: its template, its bindings, texts and expert controls, and the reactions of its own.
#include "pages/MusicDlg.h"

#include "controls/CFStatic.h"
#include "model/Sections.h"

#include <array>

namespace kel {

namespace {

using M = CMusicDlg;

// Offsets within a MusicBlock.
constexpr std::size_t kLimiter = offsetof(MusicBlock, limiter);
constexpr std::size_t kGate = offsetof(MusicBlock, gate);
constexpr std::size_t kMainHpf = offsetof(MusicBlock, mainHpf);
constexpr std::size_t kLowExciter = offsetof(MusicBlock, lowExciter);
constexpr std::size_t kHighExciter = offsetof(MusicBlock, highExciter);
static_assert(kMainHpf + offsetof(FilterRecord, freq) == 118 &&
              kMainHpf + offsetof(FilterRecord, slope) == 120);
static_assert(kLowExciter == 151 && kHighExciter == 155 && offsetof(MusicBlock, bypass) == 90);

// The template (dialog 135), in dialog units; captions as the template carries them.
// Columns: 1 at x 370 (key, MainMusic HPF, HPF, LPF), 2 at x 488 (gate, low exciter), 3 at x 604
// (limiter, high exciter).
constexpr int kCol1 = 370, kCol2 = 488, kCol3 = 604;
constexpr int kLabelW = 62, kValueW = 46, kColW = 108;

constexpr auto kTemplate = std::to_array<TemplateItem>({
    {M::IDC_LABEL_TYPE, ItemKind::Label, {4, 17, 30, 8}, "类型"},
    {M::IDC_LABEL_GAIN, ItemKind::Label, {4, 31, 30, 8}, "增益(dB)"},
    {M::IDC_LABEL_FREQ, ItemKind::Label, {4, 117, 30, 8}, "频率(Hz)"},
    {M::IDC_LABEL_Q, ItemKind::Label, {4, 130, 30, 8}, "Q值"},
    {M::IDC_BAND_SCROLLER, ItemKind::Scroller, {1, 143, 367, 13}},
    {M::IDC_SYNC, ItemKind::Button, {14, 158, 52, 14}, "同步"},
    {M::IDC_MUSIC_LEFT, ItemKind::Button, {80, 158, 52, 14}, "音乐左"},
    {M::IDC_MUSIC_RIGHT, ItemKind::Button, {145, 158, 52, 14}, "音乐右"},
    {M::IDC_EQ_RESET, ItemKind::Button, {245, 158, 52, 14}, "EQ 重置"},
    {M::IDC_EQ_BYPASS, ItemKind::Button, {313, 158, 52, 14}, "EQ Bypass"},
    {M::IDC_GRAPH, ItemKind::Graph, {6, 176, 706, 167}},

    // Column 1: the key (title and value, slider), then each filter a title, its slope list and frequency
    // edit, and a slider.
    {M::IDC_KEY_TITLE, ItemKind::Title, {kCol1, 16, 66, 9}, "音乐变调"},
    {M::IDC_KEY_VALUE, ItemKind::Display, {kCol1 + 66, 16, 44, 9}},
    {M::IDC_KEY_SLIDER, ItemKind::Slider, {kCol1, 27, 91, 11}},
    {M::IDC_MAIN_HPF_TITLE, ItemKind::Title, {kCol1, 48, kColW, 9}, "主通道音乐高通"},
    {M::IDC_MAIN_HPF_SLOPE, ItemKind::Combo, {kCol1, 58, 64, 12}},
    {M::IDC_MAIN_HPF_EDIT, ItemKind::NumEdit, {kCol1 + 66, 58, 44, 12}},
    {M::IDC_MAIN_HPF_SLIDER, ItemKind::Slider, {kCol1, 72, 91, 11}},
    {M::IDC_HPF_TITLE, ItemKind::Title, {kCol1, 90, kColW, 9}, "高通"},
    {M::IDC_HPF_SLOPE, ItemKind::Combo, {kCol1, 100, 64, 12}},
    {M::IDC_HPF_EDIT, ItemKind::NumEdit, {kCol1 + 66, 100, 44, 12}},
    {M::IDC_HPF_SLIDER, ItemKind::Slider, {kCol1, 114, 91, 11}},
    {M::IDC_LPF_TITLE, ItemKind::Title, {kCol1, 132, kColW, 9}, "低通"},
    {M::IDC_LPF_SLOPE, ItemKind::Combo, {kCol1, 142, 64, 12}},
    {M::IDC_LPF_EDIT, ItemKind::NumEdit, {kCol1 + 66, 142, 44, 12}},
    {M::IDC_LPF_SLIDER, ItemKind::Slider, {kCol1, 156, 91, 11}},

    // Column 2: noise gate (y 4..84), low exciter (y 108..171).
    {M::IDC_GATE_TITLE, ItemKind::Title, {kCol2, 4, kColW, 9}, "噪声门"},
    {M::IDC_GATE_THRESHOLD_LABEL, ItemKind::Label, {kCol2, 15, kLabelW, 8}, "启动电平"},
    {M::IDC_GATE_THRESHOLD_VALUE, ItemKind::Display, {kCol2 + kLabelW, 15, kValueW, 8}},
    {M::IDC_GATE_THRESHOLD_SLIDER, ItemKind::Slider, {kCol2, 24, 91, 11}},
    {M::IDC_GATE_ATTACK_LABEL, ItemKind::Label, {kCol2, 38, kLabelW, 8}, "启动时间"},
    {M::IDC_GATE_ATTACK_VALUE, ItemKind::Display, {kCol2 + kLabelW, 38, kValueW, 8}},
    {M::IDC_GATE_ATTACK_SLIDER, ItemKind::Slider, {kCol2, 47, 91, 11}},
    {M::IDC_GATE_RELEASE_LABEL, ItemKind::Label, {kCol2, 61, kLabelW, 8}, "释放时间"},
    {M::IDC_GATE_RELEASE_VALUE, ItemKind::Display, {kCol2 + kLabelW, 61, kValueW, 8}},
    {M::IDC_GATE_RELEASE_SLIDER, ItemKind::Slider, {kCol2, 70, 91, 11}},
    {M::IDC_LOW_EXCITER_TITLE, ItemKind::Title, {kCol2, 108, kColW, 9}, "低音激励"},
    {M::IDC_LOW_FREQ_LABEL, ItemKind::Label, {kCol2, 120, kLabelW, 8}, "频率"},
    {M::IDC_LOW_FREQ_EDIT, ItemKind::NumEdit, {kCol2 + kLabelW, 118, kValueW, 12}},
    {M::IDC_LOW_FREQ_SLIDER, ItemKind::Slider, {kCol2, 131, 91, 11}},
    {M::IDC_LOW_HARMONIC_LABEL, ItemKind::Label, {kCol2, 146, kLabelW, 8}, "谐波量"},
    {M::IDC_LOW_HARMONIC, ItemKind::Combo, {kCol2 + kLabelW, 144, kValueW, 12}},
    {M::IDC_LOW_TIMBRE_LABEL, ItemKind::Label, {kCol2, 160, kLabelW, 8}, "音品"},
    {M::IDC_LOW_TIMBRE, ItemKind::Combo, {kCol2 + kLabelW, 158, kValueW, 12}},

    // Column 3: music limiter (y 4..104), high exciter (y 108..171).
    {M::IDC_LIMIT_TITLE, ItemKind::Title, {kCol3, 4, kColW, 9}, "音乐压限器"},
    {M::IDC_LIMIT_LEVEL_LABEL, ItemKind::Label, {kCol3, 15, kLabelW, 8}, "压限启动电平"},
    {M::IDC_LIMIT_LEVEL_VALUE, ItemKind::Display, {kCol3 + kLabelW, 15, kValueW, 8}},
    {M::IDC_LIMIT_LEVEL_SLIDER, ItemKind::Slider, {kCol3, 24, 91, 11}},
    {M::IDC_LIMIT_ATTACK_LABEL, ItemKind::Label, {kCol3, 37, kLabelW, 8}, "压限启动时间(Atk)"},
    {M::IDC_LIMIT_ATTACK_VALUE, ItemKind::Display, {kCol3 + kLabelW, 37, kValueW, 8}},
    {M::IDC_LIMIT_ATTACK_SLIDER, ItemKind::Slider, {kCol3, 46, 91, 11}},
    {M::IDC_LIMIT_RELEASE_LABEL, ItemKind::Label, {kCol3, 59, kLabelW, 8}, "压限释放时间"},
    {M::IDC_LIMIT_RELEASE_VALUE, ItemKind::Display, {kCol3 + kLabelW, 59, kValueW, 8}},
    {M::IDC_LIMIT_RELEASE_SLIDER, ItemKind::Slider, {kCol3, 68, 91, 11}},
    {M::IDC_RATIO_LABEL, ItemKind::Label, {kCol3, 81, kLabelW, 8}, "压缩比例"},
    {M::IDC_RATIO_VALUE, ItemKind::Display, {kCol3 + kLabelW, 81, kValueW, 8}},
    {M::IDC_RATIO_SLIDER, ItemKind::Slider, {kCol3, 90, 91, 11}},
    {M::IDC_HIGH_EXCITER_TITLE, ItemKind::Title, {kCol3, 108, kColW, 9}, "高音激励"},
    {M::IDC_HIGH_FREQ_LABEL, ItemKind::Label, {kCol3, 120, kLabelW, 8}, "频率"},
    {M::IDC_HIGH_FREQ_EDIT, ItemKind::NumEdit, {kCol3 + kLabelW, 118, kValueW, 12}},
    {M::IDC_HIGH_FREQ_SLIDER, ItemKind::Slider, {kCol3, 131, 91, 11}},
    {M::IDC_HIGH_HARMONIC_LABEL, ItemKind::Label, {kCol3, 146, kLabelW, 8}, "谐波量"},
    {M::IDC_HIGH_HARMONIC, ItemKind::Combo, {kCol3 + kLabelW, 144, kValueW, 12}},
    {M::IDC_HIGH_TIMBRE_LABEL, ItemKind::Label, {kCol3, 160, kLabelW, 8}, "音品"},
    {M::IDC_HIGH_TIMBRE, ItemKind::Combo, {kCol3 + kLabelW, 158, kValueW, 12}},
});

constexpr Field Edited(std::size_t offset, FieldForm form = FieldForm::Byte) {
    return {FieldBase::Edited, form, offset};
}
// The limiter and the gate are one setting of both channels, kept in Music Left.
constexpr Field Shared(std::size_t offset) {
    return {FieldBase::Shared, FieldForm::Byte, offset};
}

const auto kSliders = std::to_array<SliderBinding>({
    {M::IDC_KEY_SLIDER,
     M::IDC_KEY_VALUE,
     Conv::KeyControl,
     {FieldBase::System, FieldForm::HighNibble, offsetof(SystemBlock, keySen)}},
    {M::IDC_MAIN_HPF_SLIDER, M::IDC_MAIN_HPF_EDIT, Conv::FilterFreq,
     Edited(kMainHpf + offsetof(FilterRecord, freq), FieldForm::Word)},
    {M::IDC_HPF_SLIDER, M::IDC_HPF_EDIT, Conv::FilterFreq, {FieldBase::HighPass, FieldForm::Frequency}},
    {M::IDC_LPF_SLIDER, M::IDC_LPF_EDIT, Conv::FilterFreq, {FieldBase::LowPass, FieldForm::Frequency}},
    {M::IDC_GATE_THRESHOLD_SLIDER, M::IDC_GATE_THRESHOLD_VALUE, Conv::GateThreshold,
     Shared(kGate + offsetof(GateRecord, threshold))},
    {M::IDC_GATE_ATTACK_SLIDER, M::IDC_GATE_ATTACK_VALUE, Conv::GateAttack,
     Shared(kGate + offsetof(GateRecord, attack))},
    {M::IDC_GATE_RELEASE_SLIDER, M::IDC_GATE_RELEASE_VALUE, Conv::GateRelease,
     Shared(kGate + offsetof(GateRecord, release))},
    {M::IDC_LIMIT_LEVEL_SLIDER, M::IDC_LIMIT_LEVEL_VALUE, Conv::LimitLevel,
     Shared(kLimiter + offsetof(LimiterRecord, level))},
    {M::IDC_LIMIT_ATTACK_SLIDER, M::IDC_LIMIT_ATTACK_VALUE, Conv::CompAttack,
     Shared(kLimiter + offsetof(LimiterRecord, attack))},
    {M::IDC_LIMIT_RELEASE_SLIDER, M::IDC_LIMIT_RELEASE_VALUE, Conv::CompRelease,
     Shared(kLimiter + offsetof(LimiterRecord, release))},
    {M::IDC_RATIO_SLIDER, M::IDC_RATIO_VALUE, Conv::Ratio, Shared(kLimiter + offsetof(LimiterRecord, ratio))},
    {M::IDC_LOW_FREQ_SLIDER, M::IDC_LOW_FREQ_EDIT, Conv::FilterFreq,
     Edited(kLowExciter + offsetof(ExciterRecord, freq), FieldForm::Word)},
    {M::IDC_HIGH_FREQ_SLIDER, M::IDC_HIGH_FREQ_EDIT, Conv::FilterFreq,
     Edited(kHighExciter + offsetof(ExciterRecord, freq), FieldForm::Word)},
});

// "Harmonic" and "Timbre" lists: 0..9.
constexpr std::array<const char*, 10> kDigits = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

const auto kCombos = std::to_array<ComboBinding>({
    {M::IDC_MAIN_HPF_SLOPE, SlopeLabels, Edited(kMainHpf + offsetof(FilterRecord, slope))},
    {M::IDC_HPF_SLOPE, SlopeLabels, {FieldBase::HighPass, FieldForm::Slope}},
    {M::IDC_LPF_SLOPE, SlopeLabels, {FieldBase::LowPass, FieldForm::Slope}},
    {M::IDC_LOW_HARMONIC, kDigits, Edited(kLowExciter + offsetof(ExciterRecord, harmonic))},
    {M::IDC_LOW_TIMBRE, kDigits, Edited(kLowExciter + offsetof(ExciterRecord, timbre))},
    {M::IDC_HIGH_HARMONIC, kDigits, Edited(kHighExciter + offsetof(ExciterRecord, harmonic))},
    {M::IDC_HIGH_TIMBRE, kDigits, Edited(kHighExciter + offsetof(ExciterRecord, timbre))},
});

const auto kToggles = std::to_array<ToggleBinding>({
    {M::IDC_EQ_BYPASS, Edited(offsetof(MusicBlock, bypass)), true},
});

constexpr auto kTexts = std::to_array<PageText>({
    {M::IDC_KEY_TITLE, "音乐变调", "Key Control"},
    {M::IDC_MAIN_HPF_TITLE, "主通道音乐高通", "MainMusic HPF"},
    {M::IDC_HPF_TITLE, "高通", "HPF"},
    {M::IDC_LPF_TITLE, "低通", "LPF"},
    {M::IDC_GATE_TITLE, "噪声门", "NoiseGate"},
    {M::IDC_GATE_THRESHOLD_LABEL, "启动电平", "Threshold"},
    {M::IDC_GATE_ATTACK_LABEL, "启动时间", "Attack Time"},
    {M::IDC_GATE_RELEASE_LABEL, "释放时间", "Release Time"},
    {M::IDC_LIMIT_TITLE, "音乐压限器", "Music Limit"},
    {M::IDC_LIMIT_LEVEL_LABEL, "压限启动电平", "Limit Level"},
    {M::IDC_LIMIT_ATTACK_LABEL, "压限启动时间(Atk)", "Attack Time(Atk)"},
    {M::IDC_LIMIT_RELEASE_LABEL, "压限释放时间", "Release Time"},
    {M::IDC_RATIO_LABEL, "压缩比例", "Ratio"},
    {M::IDC_LOW_EXCITER_TITLE, "低音激励", "Low Exciter"},
    {M::IDC_HIGH_EXCITER_TITLE, "高音激励", "High Exciter"},
    {M::IDC_LOW_TIMBRE_LABEL, "音品", "Timbre"},
    {M::IDC_HIGH_TIMBRE_LABEL, "音品", "Timbre"},
    {M::IDC_LOW_FREQ_LABEL, "频率", "Freq"},
    {M::IDC_HIGH_FREQ_LABEL, "频率", "Freq"},
    {M::IDC_SYNC, "同步", "SYNC"},
    {M::IDC_MUSIC_LEFT, "音乐左", "Music Left"},
    {M::IDC_MUSIC_RIGHT, "音乐右", "Music Right"},
    {M::IDC_EQ_RESET, "EQ 重置", "EQ Reset"},
    {M::IDC_LABEL_TYPE, "类型", "Type"},
    {M::IDC_LABEL_FREQ, "频率(Hz)", "Freq(Hz)"},
    {M::IDC_LABEL_GAIN, "增益(dB)", "Gain(dB)"},
    {M::IDC_LABEL_Q, "Q值", "Q"},
});

// Rewritten by ApplyLanguage and again at the end of ApplyMode.
constexpr std::array<PageText, 2> kHarmonicTexts = {{
    {M::IDC_LOW_HARMONIC_LABEL, "谐波量", "Harmonic"},
    {M::IDC_HIGH_HARMONIC_LABEL, "谐波量", "Harmonic"},
}};

// Disabled in "Easy Mode".
constexpr auto kExpertControls = std::to_array<int>({
    M::IDC_SYNC,
    M::IDC_MAIN_HPF_SLIDER,
    M::IDC_MAIN_HPF_SLOPE,
    M::IDC_MAIN_HPF_EDIT,
    M::IDC_GATE_ATTACK_SLIDER,
    M::IDC_GATE_ATTACK_VALUE,
    M::IDC_GATE_RELEASE_SLIDER,
    M::IDC_GATE_RELEASE_VALUE,
    M::IDC_LIMIT_LEVEL_SLIDER,
    M::IDC_LIMIT_LEVEL_VALUE,
    M::IDC_LIMIT_ATTACK_SLIDER,
    M::IDC_LIMIT_ATTACK_VALUE,
    M::IDC_LIMIT_RELEASE_SLIDER,
    M::IDC_LIMIT_RELEASE_VALUE,
    M::IDC_RATIO_SLIDER,
    M::IDC_RATIO_VALUE,
    M::IDC_LOW_FREQ_EDIT,
    M::IDC_LOW_FREQ_SLIDER,
    M::IDC_HIGH_FREQ_EDIT,
    M::IDC_HIGH_FREQ_SLIDER,
    M::IDC_LOW_TIMBRE,
    M::IDC_HIGH_TIMBRE,
});

constexpr auto kChannels = std::to_array<ChannelChoice>({
    {M::IDC_MUSIC_LEFT, EQ_MUSIC_L, offsetof(ProgramImage, musicL)},
    {M::IDC_MUSIC_RIGHT, EQ_MUSIC_R, offsetof(ProgramImage, musicR)},
});

const PageSpec kSpec = {
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
                 .sharedRecord = offsetof(ProgramImage, musicL)},
    .eqResetButton = M::IDC_EQ_RESET,
};

} // namespace

CMusicDlg::CMusicDlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kSpec) {}

} // namespace kel

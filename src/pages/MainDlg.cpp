// The main output page: its template, bindings and texts, and one table of the five output tabs (records,
// channel buttons, link byte, link copy, tab labels) from which the page reconfigures itself.
#include "pages/MainDlg.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/PageGroups.h"
#include "pages/StripRow.h"

#include <algorithm>
#include <array>

namespace kel {

namespace {

using M = CMainDlg;

constexpr auto kMute = KEL_FIELD(OutputChannel, mute);
constexpr auto kBypass = KEL_FIELD(OutputChannel, bypass);
constexpr auto kLimiter = KEL_FIELD(OutputChannel, limiter);
constexpr auto kDelay = KEL_FIELD(OutputChannel, delay);
static_assert(kMute.offset == 0 && offsetof(OutputChannel, mix) == 1 && sizeof(MixLevel) == 2 &&
              kBypass.offset == 61 && kLimiter.offset == 62 && kDelay.offset == 74);

// Level k of the five mix levels is byte 1 + 2k, its switch byte 2 + 2k.
constexpr FieldOf<OutputChannel, u8> MixAt(FieldOf<OutputChannel, u8> first, int k) {
    first.offset = static_cast<std::uint16_t>(first.offset + sizeof(MixLevel) * static_cast<std::size_t>(k));
    return first;
}
constexpr FieldOf<OutputChannel, u8> MixLevelAt(int k) {
    return MixAt(KEL_FIELD(OutputChannel, mix[0].level), k);
}
constexpr FieldOf<OutputChannel, u8> MixSwitchAt(int k) {
    return MixAt(KEL_FIELD(OutputChannel, mix[0].on), k);
}
static_assert(MixLevelAt(4).offset == 9 && MixSwitchAt(0).offset == 2 && MixSwitchAt(4).offset == 10);

constexpr groups::BandLabelIds kBandLabels = {M::IDC_LABEL_TYPE, M::IDC_LABEL_GAIN, M::IDC_LABEL_FREQ,
                                              M::IDC_LABEL_Q};
constexpr groups::CrossoverIds kHpf = {M::IDC_HPF_TITLE, M::IDC_COMBO_HPF, M::IDC_HPF_EDIT,
                                       M::IDC_HPF_SLIDER};
constexpr groups::CrossoverIds kLpf = {M::IDC_LPF_TITLE, M::IDC_COMBO_LPF, M::IDC_LPF_EDIT,
                                       M::IDC_LPF_SLIDER};
constexpr groups::LimiterIds kLimiterIds = {
    M::IDC_LIMIT_TITLE,
    {M::IDC_LIMIT_LEVEL_LABEL, M::IDC_LIMIT_LEVEL_VALUE, M::IDC_LIMIT_LEVEL_SLIDER},
    {M::IDC_LIMIT_ATTACK_LABEL, M::IDC_LIMIT_ATTACK_VALUE, M::IDC_LIMIT_ATTACK_SLIDER},
    {M::IDC_LIMIT_RELEASE_LABEL, M::IDC_LIMIT_RELEASE_VALUE, M::IDC_LIMIT_RELEASE_SLIDER},
    {M::IDC_RATIO_LABEL, M::IDC_RATIO_VALUE, M::IDC_RATIO_SLIDER}};

// The five mix levels in the record's order: label, display, slider, switch; captions in both languages.
struct MixRow {
    groups::RowIds ids;
    int switchId;
    const char* zh;
    const char* en;
};
constexpr std::array<MixRow, 5> kMixRows = {{
    {{M::IDC_MUSIC_LABEL, M::IDC_MUSIC_VALUE, M::IDC_MUSIC_SLIDER},
     M::IDC_MUSIC_SWITCH,
     "音乐电平",
     "Music Level"},
    {{M::IDC_MIC_LABEL, M::IDC_MIC_VALUE, M::IDC_MIC_SLIDER}, M::IDC_MIC_SWITCH, "话筒电平", "Mic Level"},
    {{M::IDC_ECHOA_LABEL, M::IDC_ECHOA_VALUE, M::IDC_ECHOA_SLIDER},
     M::IDC_ECHOA_SWITCH,
     "回声A电平",
     "EchoA Level"},
    {{M::IDC_ECHOB_LABEL, M::IDC_ECHOB_VALUE, M::IDC_ECHOB_SLIDER},
     M::IDC_ECHOB_SWITCH,
     "回声B电平",
     "EchoB Level"},
    {{M::IDC_REVERB_LABEL, M::IDC_REVERB_VALUE, M::IDC_REVERB_SLIDER},
     M::IDC_REVERB_SWITCH,
     "混响电平",
     "Reverb Level"},
}};

// A delay row: the Row of a group, with the distance display beside the slider.
constexpr std::array<TemplateItem, 4> DelayRow(const groups::RowIds& r, int distance, int x, int y,
                                               const char* caption) {
    return groups::Concat(
        groups::Row(r, x, y, caption),
        std::array<TemplateItem, 1>{{{distance, ItemKind::Display, {x + 93, y + 10, 30, 9}}}});
}
constexpr groups::RowIds kLeftDelay = {M::IDC_LEFT_DELAY_LABEL, M::IDC_LEFT_DELAY_VALUE,
                                       M::IDC_LEFT_DELAY_SLIDER};
constexpr groups::RowIds kRightDelay = {M::IDC_RIGHT_DELAY_LABEL, M::IDC_RIGHT_DELAY_VALUE,
                                        M::IDC_RIGHT_DELAY_SLIDER};

constexpr std::array<TemplateItem, 4> MixRowTemplate(const MixRow& r, int x, int y) {
    return groups::Concat(groups::Row(r.ids, x, y, r.zh),
                          std::array<TemplateItem, 1>{{
                              {r.switchId, ItemKind::SwitchButton, {x + 94, y + 9, 16, 11}},
                          }});
}

// The template (dialog 149), 715 × 359 dialog units: band labels and the ten strips at the top left with
// the channel and EQ buttons under them; crossovers and mutes (x 342), mix levels and delays (x 466),
// limiter and output modes (x 590); the graph across the bottom.
constexpr int kColA = 342, kColB = 466, kColC = 590;
constexpr int kMixPitch = 22;

constexpr auto kTemplate = groups::Concat(
    groups::BandLabelTemplate(kBandLabels),
    std::to_array<TemplateItem>({
        {M::IDC_SYNC, ItemKind::Button, {4, 148, 50, 14}, "同步"},
        {M::IDC_LEFT, ItemKind::Button, {62, 148, 56, 14}, "主左"},
        {M::IDC_RIGHT, ItemKind::Button, {122, 148, 56, 14}, "主右"},
        {M::IDC_EQ_RESET, ItemKind::Button, {208, 148, 56, 14}, "EQ重置"},
        {M::IDC_EQ_PASS, ItemKind::Button, {272, 148, 56, 14}, "EQ Pass"},
        {M::IDC_GRAPH, ItemKind::Graph, {6, 168, 706, 176}},
    }),
    groups::CrossoverTemplate(kHpf, kColA, 2, "高通"), groups::CrossoverTemplate(kLpf, kColA, 42, "低通"),
    std::to_array<TemplateItem>({
        {M::IDC_LEFT_MUTE, ItemKind::Button, {kColA, 84, 52, 14}, "左静音"},
        {M::IDC_RIGHT_MUTE, ItemKind::Button, {kColA + 56, 84, 52, 14}, "右静音"},
    }),
    MixRowTemplate(kMixRows[0], kColB, 2), MixRowTemplate(kMixRows[1], kColB, 2 + kMixPitch),
    MixRowTemplate(kMixRows[2], kColB, 2 + 2 * kMixPitch),
    MixRowTemplate(kMixRows[3], kColB, 2 + 3 * kMixPitch),
    MixRowTemplate(kMixRows[4], kColB, 2 + 4 * kMixPitch),
    DelayRow(kLeftDelay, M::IDC_LEFT_DISTANCE, kColB, 2 + 5 * kMixPitch + 2, "左声道延时"),
    DelayRow(kRightDelay, M::IDC_RIGHT_DISTANCE, kColB, 2 + 6 * kMixPitch + 2, "右声道延时"),
    groups::LimiterTemplate(kLimiterIds, kColC, 2, kMixPitch, "主输出压限", groups::kOutputLimiter),
    std::to_array<TemplateItem>({
        {M::IDC_AUTO, ItemKind::Button, {kColC, 112, 52, 14}, "自动"},
        {M::IDC_SING, ItemKind::Button, {kColC + 56, 112, 52, 14}, "唱歌"},
        {M::IDC_DISCO, ItemKind::Button, {kColC, 130, 52, 14}, "热舞"},
        {M::IDC_DECODE, ItemKind::Button, {kColC + 56, 130, 52, 14}, "解码"},
    }));

// Mix levels and switches belong to the selected record, the limiter to the limiter record (Shared); the
// left (or only) delay and mute to the left record, which is the limiter record too; the right ones to the
// pair's right record (Partner).
constexpr auto kSliders = groups::Concat(
    std::to_array<SliderBinding>({
        groups::CrossoverSlider(kHpf, FieldBase::HighPass),
        groups::CrossoverSlider(kLpf, FieldBase::LowPass),
        {M::IDC_MUSIC_SLIDER, M::IDC_MUSIC_VALUE, Conv::MixLevel, EditedField(MixLevelAt(0))},
        {M::IDC_MIC_SLIDER, M::IDC_MIC_VALUE, Conv::MixLevel, EditedField(MixLevelAt(1))},
        {M::IDC_ECHOA_SLIDER, M::IDC_ECHOA_VALUE, Conv::MixLevel, EditedField(MixLevelAt(2))},
        {M::IDC_ECHOB_SLIDER, M::IDC_ECHOB_VALUE, Conv::MixLevel, EditedField(MixLevelAt(3))},
        {M::IDC_REVERB_SLIDER, M::IDC_REVERB_VALUE, Conv::MixLevel, EditedField(MixLevelAt(4))},
        {.slider = M::IDC_LEFT_DELAY_SLIDER,
         .partner = M::IDC_LEFT_DELAY_VALUE,
         .conversion = Conv::OutputDelay,
         .field = SharedField(kDelay),
         .alsoShownIn = M::IDC_LEFT_DISTANCE,
         .alsoShownAs = Conv::OutputDistance},
        {.slider = M::IDC_RIGHT_DELAY_SLIDER,
         .partner = M::IDC_RIGHT_DELAY_VALUE,
         .conversion = Conv::OutputDelay,
         .field = PartnerField(kDelay),
         .alsoShownIn = M::IDC_RIGHT_DISTANCE,
         .alsoShownAs = Conv::OutputDistance},
    }),
    groups::LimiterSliders(kLimiterIds, FieldBase::Shared, kLimiter, groups::kOutputLimiter.level));

constexpr auto kCombos = std::to_array<ComboBinding>({
    groups::CrossoverSlope(kHpf, FieldBase::HighPass),
    groups::CrossoverSlope(kLpf, FieldBase::LowPass),
});

constexpr auto kToggles = std::to_array<ToggleBinding>({
    {M::IDC_MUSIC_SWITCH, EditedField(MixSwitchAt(0)), false},
    {M::IDC_MIC_SWITCH, EditedField(MixSwitchAt(1)), false},
    {M::IDC_ECHOA_SWITCH, EditedField(MixSwitchAt(2)), false},
    {M::IDC_ECHOB_SWITCH, EditedField(MixSwitchAt(3)), false},
    {M::IDC_REVERB_SWITCH, EditedField(MixSwitchAt(4)), false},
    {M::IDC_EQ_PASS, EditedField(kBypass), true},
    {M::IDC_LEFT_MUTE, SharedField(kMute), false},
    {M::IDC_RIGHT_MUTE, PartnerField(kMute), false},
});

// "EQ Pass" keeps its caption in both languages; the tab's own labels are in kTabs.
constexpr auto kTexts = groups::Concat(std::to_array<PageText>({
                                           {M::IDC_SYNC, "同步", "SYNC"},
                                           {M::IDC_EQ_RESET, "EQ重置", "EQ Reset"},
                                           {M::IDC_AUTO, "自动", "Auto"},
                                           {M::IDC_SING, "唱歌", "Sing"},
                                           {M::IDC_DISCO, "热舞", "Disco"},
                                           {M::IDC_DECODE, "解码", "Decode"},
                                           {M::IDC_HPF_TITLE, "高通", "HPF"},
                                           {M::IDC_LPF_TITLE, "低通", "LPF"},
                                       }),
                                       std::array<PageText, 5>{{
                                           {kMixRows[0].ids.label, kMixRows[0].zh, kMixRows[0].en},
                                           {kMixRows[1].ids.label, kMixRows[1].zh, kMixRows[1].en},
                                           {kMixRows[2].ids.label, kMixRows[2].zh, kMixRows[2].en},
                                           {kMixRows[3].ids.label, kMixRows[3].zh, kMixRows[3].en},
                                           {kMixRows[4].ids.label, kMixRows[4].zh, kMixRows[4].en},
                                       }},
                                       groups::BandLabelTexts(kBandLabels),
                                       groups::LimiterRowTexts(kLimiterIds, groups::kOutputLimiter));

// Disabled in "Easy Mode".
constexpr auto kExpertControls =
    groups::Concat(std::to_array<int>({M::IDC_SYNC}), groups::LimiterExpert(kLimiterIds));

// Shut while the output mode is "Auto" (with the band strips).
constexpr auto kEditingControls = std::to_array<int>({
    M::IDC_SYNC,
    M::IDC_LEFT,
    M::IDC_RIGHT,
    M::IDC_EQ_RESET,
    M::IDC_EQ_PASS,
    M::IDC_LEFT_MUTE,
    M::IDC_RIGHT_MUTE,
    M::IDC_MUSIC_SWITCH,
    M::IDC_MIC_SWITCH,
    M::IDC_ECHOA_SWITCH,
    M::IDC_ECHOB_SWITCH,
    M::IDC_REVERB_SWITCH,
    M::IDC_MUSIC_SLIDER,
    M::IDC_MIC_SLIDER,
    M::IDC_ECHOA_SLIDER,
    M::IDC_ECHOB_SLIDER,
    M::IDC_REVERB_SLIDER,
    M::IDC_LIMIT_LEVEL_SLIDER,
    M::IDC_LIMIT_ATTACK_SLIDER,
    M::IDC_LIMIT_RELEASE_SLIDER,
    M::IDC_RATIO_SLIDER,
    M::IDC_LEFT_DELAY_SLIDER,
    M::IDC_RIGHT_DELAY_SLIDER,
    M::IDC_HPF_SLIDER,
    M::IDC_LPF_SLIDER,
    M::IDC_COMBO_HPF,
    M::IDC_COMBO_LPF,
    M::IDC_HPF_EDIT,
    M::IDC_LPF_EDIT,
});

// Hidden on the mono tabs.
constexpr auto kRightSide = std::to_array<int>({
    M::IDC_SYNC,
    M::IDC_LEFT,
    M::IDC_RIGHT,
    M::IDC_RIGHT_MUTE,
    M::IDC_RIGHT_DELAY_LABEL,
    M::IDC_RIGHT_DELAY_SLIDER,
    M::IDC_RIGHT_DELAY_VALUE,
    M::IDC_RIGHT_DISTANCE,
});

constexpr std::array<int, 4> kModeButtons = {M::IDC_AUTO, M::IDC_SING, M::IDC_DISCO, M::IDC_DECODE};

// ------------------------------------------------------------------------------------------ the tabs

// One output tab: its left (or only) record, its right record (none on a mono tab), the channel choice
// of a pair, and its own labels.
struct OutputTab {
    int left;
    int right; // -1: mono
    ChannelSetup channels;
    std::span<const PageText> texts;
};

template <int Pair> int& PairSelection() {
    return TheModel().settings.view.outputChannel[Pair];
}

constexpr std::size_t LinkOffset(int pair) {
    return offsetof(ProgramImage, outputLink) + static_cast<std::size_t>(pair);
}
static_assert(LinkOffset(0) == 2707 && LinkOffset(2) == 2709 && LinkOffset(3) == 2710);

constexpr int Channel(int record) {
    return EQ_OUTPUT_FIRST + record;
}

constexpr auto kMainChoices =
    std::to_array<ChannelChoice>({{M::IDC_LEFT, Channel(OUT_MAIN_L)}, {M::IDC_RIGHT, Channel(OUT_MAIN_R)}});
constexpr auto kRearChoices =
    std::to_array<ChannelChoice>({{M::IDC_LEFT, Channel(OUT_REAR_L)}, {M::IDC_RIGHT, Channel(OUT_REAR_R)}});
constexpr auto kSurroundChoices =
    std::to_array<ChannelChoice>({{M::IDC_LEFT, Channel(OUT_SURR_L)}, {M::IDC_RIGHT, Channel(OUT_SURR_R)}});

// Mutes and delays of a pair, shared by Main, Rear and Surround.
constexpr PageText kLeftMute = {M::IDC_LEFT_MUTE, "左静音", "L Mute"};
constexpr PageText kRightMute = {M::IDC_RIGHT_MUTE, "右静音", "R Mute"};
constexpr PageText kMonoMute = {M::IDC_LEFT_MUTE, "静音", "Mute"};
constexpr PageText kLeftDelayText = {M::IDC_LEFT_DELAY_LABEL, "左声道延时", "Left Delay"};
constexpr PageText kRightDelayText = {M::IDC_RIGHT_DELAY_LABEL, "右声道延时", "Right Delay"};

constexpr auto kMainTexts = std::to_array<PageText>({{M::IDC_LEFT, "主左", "Main L"},
                                                     {M::IDC_RIGHT, "主右", "Main R"},
                                                     kLeftMute,
                                                     kRightMute,
                                                     {M::IDC_LIMIT_TITLE, "主输出压限", "Main Limit"},
                                                     kLeftDelayText,
                                                     kRightDelayText});
constexpr auto kCenterTexts =
    std::to_array<PageText>({kMonoMute,
                             {M::IDC_LIMIT_TITLE, "中置压限", "Center Limit"},
                             {M::IDC_LEFT_DELAY_LABEL, "中置延时", "Center Delay"}});
constexpr auto kSubTexts = std::to_array<PageText>({kMonoMute,
                                                    {M::IDC_LIMIT_TITLE, "超低压限", "SUB Limit"},
                                                    {M::IDC_LEFT_DELAY_LABEL, "超低延时", "SUB Delay"}});
constexpr auto kRearTexts = std::to_array<PageText>({{M::IDC_LEFT, "后左", "Rear L"},
                                                     {M::IDC_RIGHT, "后右", "Rear R"},
                                                     kLeftMute,
                                                     kRightMute,
                                                     {M::IDC_LIMIT_TITLE, "后置输出压限", "Rear Limit"},
                                                     kLeftDelayText,
                                                     kRightDelayText});
constexpr auto kSurroundTexts =
    std::to_array<PageText>({{M::IDC_LEFT, "环绕左", "Surround L"},
                             {M::IDC_RIGHT, "环绕右", "Surround R"},
                             kLeftMute,
                             kRightMute,
                             {M::IDC_LIMIT_TITLE, "环绕输出压限", "Surround Limit"},
                             kLeftDelayText,
                             kRightDelayText});

// The pair's link: its OutputLink byte; the link going off copies the left record onto the right one in
// all three blocks (mute and delay of the right record kept), in image and shadow.
constexpr std::array<OutputTab, 5> kTabs = {{
    {OUT_MAIN_L,
     OUT_MAIN_R,
     {.choices = kMainChoices,
      .selectionOf = &PairSelection<0>,
      .linkButton = M::IDC_SYNC,
      .linkOffset = LinkOffset(0),
      .syncCopy = [] { LinkOutputPair(OutputPair::Main); }},
     kMainTexts},
    {OUT_CENTER, -1, {}, kCenterTexts},
    {OUT_SUB, -1, {}, kSubTexts},
    {OUT_REAR_L,
     OUT_REAR_R,
     {.choices = kRearChoices,
      .selectionOf = &PairSelection<1>,
      .linkButton = M::IDC_SYNC,
      .linkOffset = LinkOffset(2),
      .syncCopy = [] { LinkOutputPair(OutputPair::Rear); }},
     kRearTexts},
    {OUT_SURR_L,
     OUT_SURR_R,
     {.choices = kSurroundChoices,
      .selectionOf = &PairSelection<2>,
      .linkButton = M::IDC_SYNC,
      .linkOffset = LinkOffset(3),
      .syncCopy = [] { LinkOutputPair(OutputPair::Surround); }},
     kSurroundTexts},
}};

// The channel buttons and SYNC of the page tables name the controls for the page's table check; the tab in
// use gives the choice itself.
constexpr PageTables kTables = Checked({
    .record = RecordKind::Output,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCombos,
    .toggles = kToggles,
    .texts = kTexts,
    .expert = kExpertControls,
    .graph = {M::IDC_GRAPH, EQ_LAYOUT_OUTPUT_FIRST, Channel(OUT_MAIN_L)},
    .strips = {.count = M::kBands, .pitchX = 53},
    .channels = kTabs[0].channels,
    .eqResetButton = M::IDC_EQ_RESET,
});

const OutputTab& TabOf(int tab) {
    return kTabs[static_cast<std::size_t>(std::clamp(tab - M::kFirstTab, 0, 4))];
}

} // namespace

CMainDlg::CMainDlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {}

const ChannelSetup& CMainDlg::Channels() const {
    return TabOf(m_tab).channels;
}

OutputChannel& CMainDlg::Record(int record) {
    return TheModel().ActiveOutputBlock().ch[record];
}

int CMainDlg::EditedChannel() const {
    const OutputTab& t = TabOf(m_tab);
    return t.right < 0 ? Channel(t.left) : CBoundPage::EditedChannel();
}

std::uint8_t* CMainDlg::EditedRecord() {
    return reinterpret_cast<std::uint8_t*>(&Record(EditedChannel() - EQ_OUTPUT_FIRST));
}

std::uint8_t* CMainDlg::SharedRecord() {
    return reinterpret_cast<std::uint8_t*>(&Record(TabOf(m_tab).left));
}

std::uint8_t* CMainDlg::PartnerRecord() {
    const int right = TabOf(m_tab).right;
    return right < 0 ? nullptr : reinterpret_cast<std::uint8_t*>(&Record(right));
}

void CMainDlg::SelectOutputTab(int tab) {
    if (tab < kFirstTab || tab >= kFirstTab + static_cast<int>(kTabs.size())) {
        return;
    }
    m_tab = tab;
    const bool pair = TabOf(tab).right >= 0;
    for (int id : kRightSide) {
        if (QWidget* w = Control(id)) {
            w->setVisible(pair);
        }
    }
    // Strips and graph show the tab's channel; nothing is written.
    Strips()->Unhighlight();
    Strips()->SetChannel(EditedChannel());
    UseCrossoversOf(EditedChannel());
    Graph()->SetChannel(EditedChannel());
    ApplyTexts(TabOf(tab).texts);
}

void CMainDlg::Refresh() {
    Strips()->Unhighlight();
    // The collections of the block the mode byte selects now (a program may have arrived in another mode).
    Strips()->SetChannel(EditedChannel());
    CBoundPage::Refresh();
    ApplyTexts(TabOf(m_tab).texts);
    ApplyOutputMode();
}

void CMainDlg::ApplyLanguage() {
    CBoundPage::ApplyLanguage();
    ApplyTexts(TabOf(m_tab).texts);
}

void CMainDlg::ApplyMode() {
    ApplyOutputMode();
}

void CMainDlg::ApplyOutputMode() {
    const int mode = TheModel().image.outputMode;
    for (std::size_t m = 0; m < kModeButtons.size(); ++m) {
        if (CBitButton* b = Button(kModeButtons[m])) {
            b->SetOn(static_cast<int>(m) == mode);
        }
    }
    // In "Auto" the Sing block is shown and nothing on the page edits it.
    const bool editable = mode != 0;
    for (int id : kEditingControls) {
        if (CBitmapSlider* s = Slider(id)) {
            s->Enable(editable);
        } else if (QWidget* w = Control(id)) {
            w->setEnabled(editable);
        }
    }
    for (int i = 0; i < Strips()->Count(); ++i) {
        Strips()->Strip(i).setEnabled(editable);
    }
    if (editable) {
        RefreshChannelButtons(); // disabled while linked
        ApplyExpert(kExpertControls);
    }
}

void CMainDlg::ChooseOutputMode(int mode) {
    constexpr FieldAt kOutputMode = At(KEL_FIELD(ProgramImage, outputMode));
    if (kel::ReadField(TheModel(), kOutputMode) == mode) {
        ApplyOutputMode(); // the button keeps showing the mode
        return;
    }
    // The byte itself, never the selector's Set: "Auto" keeps showing and comparing the Sing block.
    EditField(TheModel(), kOutputMode, mode);
    Strips()->Unhighlight();
    Strips()->SetChannel(EditedChannel());
    Graph()->SetChannel(EditedChannel());
    Refresh();
}

void CMainDlg::OnButton(int id) {
    for (std::size_t m = 0; m < kModeButtons.size(); ++m) {
        if (kModeButtons[m] == id) {
            ChooseOutputMode(static_cast<int>(m));
            return;
        }
    }
}

} // namespace kel

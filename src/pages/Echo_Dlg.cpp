// The echo sub-page: the shared part of the effect sub-pages and the echo's delays and repeat.
#include "pages/Echo_Dlg.h"

#include "pages/StripRow.h"

namespace kel {

namespace {

using E = CEcho_Dlg;
using namespace effect;

static_assert(offsetof(EchoBlock, preDelay) == 48 && offsetof(EchoBlock, rightPreDelay) == 50 &&
              offsetof(EchoBlock, delay) == 52 && offsetof(EchoBlock, rightDelay) == 54 &&
              offsetof(EchoBlock, repeat) == 56 && sizeof(EchoBlock) == 57);

constexpr groups::TitledSliderIds kPreDelay = {E::IDC_PRE_DELAY_TITLE, E::IDC_PRE_DELAY_VALUE,
                                               E::IDC_PRE_DELAY_SLIDER};
constexpr groups::TitledSliderIds kDelay = {E::IDC_DELAY_TITLE, E::IDC_DELAY_VALUE, E::IDC_DELAY_SLIDER};
constexpr groups::TitledSliderIds kRepeat = {E::IDC_REPEAT_TITLE, E::IDC_REPEAT_VALUE, E::IDC_REPEAT_SLIDER};
constexpr groups::TitledSliderIds kRightPreDelay = {
    E::IDC_RIGHT_PRE_DELAY_TITLE, E::IDC_RIGHT_PRE_DELAY_VALUE, E::IDC_RIGHT_PRE_DELAY_SLIDER};
constexpr groups::TitledSliderIds kRightDelay = {E::IDC_RIGHT_DELAY_TITLE, E::IDC_RIGHT_DELAY_VALUE,
                                                 E::IDC_RIGHT_DELAY_SLIDER};

// The template (dialog 147), 715 × 170 dialog units.
constexpr auto kTemplate =
    groups::Concat(CommonTemplate({"回声音量", "回声直达声", "回声高通", "回声低通", 22, 50}),
                   groups::TitledSliderTemplate(kPreDelay, kCol2, 8, "回声预延时"),
                   groups::TitledSliderTemplate(kDelay, kCol2, 36, "回声延时"),
                   groups::TitledSliderTemplate(kRepeat, kCol2, 65, "回声重复比例"),
                   groups::TitledSliderTemplate(kRightPreDelay, kCol2, 92, "右通道预延时"),
                   groups::TitledSliderTemplate(kRightDelay, kCol2, 121, "右通道延时"));

// The delay times are stored in tenths of a millisecond: pre-delay position × 10, delay position × 20.
constexpr auto kSliders = groups::Concat(
    CommonSliders<EchoBlock>(Conv::EchoVolume),
    std::to_array<SliderBinding>({
        {E::IDC_PRE_DELAY_SLIDER, E::IDC_PRE_DELAY_VALUE, Conv::EchoPreDelay,
         EditedField(KEL_FIELD(EchoBlock, preDelay)), kEchoPreDelayUnits},
        {E::IDC_DELAY_SLIDER, E::IDC_DELAY_VALUE, Conv::EchoDelay,
         EditedField(KEL_FIELD(EchoBlock, delay)), kEchoDelayUnits},
        {E::IDC_REPEAT_SLIDER, E::IDC_REPEAT_VALUE, Conv::EchoRepeat,
         EditedField(KEL_FIELD(EchoBlock, repeat))},
        {E::IDC_RIGHT_PRE_DELAY_SLIDER, E::IDC_RIGHT_PRE_DELAY_VALUE, Conv::EchoRightPreDelay,
         EditedField(KEL_FIELD(EchoBlock, rightPreDelay))},
        {E::IDC_RIGHT_DELAY_SLIDER, E::IDC_RIGHT_DELAY_VALUE, Conv::EchoRightDelay,
         EditedField(KEL_FIELD(EchoBlock, rightDelay))},
    }));

constexpr auto kTexts = groups::Concat(
    CommonTexts({IDC_WET_TITLE, "回声音量", "Echo Wet Volume"},
                {IDC_DRY_TITLE, "回声直达声", "Echo Dry Volume"}, {IDC_HPF_TITLE, "回声高通", "Echo HPF"},
                {IDC_LPF_TITLE, "回声低通", "Echo LPF"}),
    std::to_array<PageText>({
        {E::IDC_PRE_DELAY_TITLE, "回声预延时", "Echo PreDelay"},
        {E::IDC_DELAY_TITLE, "回声延时", "Echo Delay"},
        {E::IDC_REPEAT_TITLE, "回声重复比例", "Echo Repeat"},
        {E::IDC_RIGHT_PRE_DELAY_TITLE, "右通道预延时", "Echo Right PreDelay"},
        {E::IDC_RIGHT_DELAY_TITLE, "右通道延时", "Echo Right Delay"},
    }));

// Disabled in "Easy Mode": the dry volume, the pre-delay and both right-channel offsets.
constexpr auto kExpert = groups::Concat(kCommonExpert, std::to_array<int>({
                                                           E::IDC_PRE_DELAY_SLIDER,
                                                           E::IDC_PRE_DELAY_VALUE,
                                                           E::IDC_RIGHT_PRE_DELAY_SLIDER,
                                                           E::IDC_RIGHT_PRE_DELAY_VALUE,
                                                           E::IDC_RIGHT_DELAY_SLIDER,
                                                           E::IDC_RIGHT_DELAY_VALUE,
                                                       }));

constexpr PageTables kTables = Checked({
    .record = RecordKind::Echo,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCommonCombos,
    .toggles = kCommonToggles<EchoBlock>,
    .texts = kTexts,
    .expert = kExpert,
    .graph = {.channel = EQ_ECHO_A}, // the effect page's graph
    .strips = {.count = kBands},
    .eqResetButton = IDC_EQ_RESET,
});

} // namespace

CEcho_Dlg::CEcho_Dlg(QWidget* parent, PageHost* host, CCFStatic* graph)
    : CBoundPage(parent, host, kTables, graph) {}

int CEcho_Dlg::EditedChannel() const {
    return TheModel().settings.view.effect == EQ_ECHO_B ? EQ_ECHO_B : EQ_ECHO_A;
}

std::uint8_t* CEcho_Dlg::EditedRecord() {
    ProgramImage& img = TheModel().image;
    return reinterpret_cast<std::uint8_t*>(EditedChannel() == EQ_ECHO_B ? &img.echoB : &img.echoA);
}

void CEcho_Dlg::SelectEcho() {
    Strips()->Unhighlight();
    Strips()->SetChannel(EditedChannel());
}

} // namespace kel

// The reverb sub-page: the shared part of the effect sub-pages and the reverb's pre-delay and time.
#include "pages/Rev_Dlg.h"

namespace kel {

namespace {

using R = CRev_Dlg;
using namespace effect;

static_assert(offsetof(ReverbBlock, preDelay) == 48 && offsetof(ReverbBlock, time) == 50 &&
              sizeof(ReverbBlock) == 52);

constexpr groups::TitledSliderIds kPreDelay = {R::IDC_PRE_DELAY_TITLE, R::IDC_PRE_DELAY_VALUE,
                                               R::IDC_PRE_DELAY_SLIDER};
constexpr groups::TitledSliderIds kTime = {R::IDC_TIME_TITLE, R::IDC_TIME_VALUE, R::IDC_TIME_SLIDER};

// The template (dialog 148), 715 × 170 dialog units.
constexpr auto kTemplate = groups::Concat(CommonTemplate({"混响音量", "混响直达声", "高通", "低通", 20, 47}),
                                          groups::TitledSliderTemplate(kPreDelay, kCol2, 8, "混响预延时"),
                                          groups::TitledSliderTemplate(kTime, kCol2, 36, "混响时间"));

// Stored in tenths of a millisecond: pre-delay position × 20, reverb time position × 500.
constexpr auto kSliders =
    groups::Concat(CommonSliders<ReverbBlock>(Conv::ReverbVolume),
                   std::to_array<SliderBinding>({
                       {R::IDC_PRE_DELAY_SLIDER,
                        R::IDC_PRE_DELAY_VALUE,
                        Conv::ReverbPreDelay,
                        EditedField(KEL_FIELD(ReverbBlock, preDelay)),
                        kReverbPreDelayUnits},
                       {R::IDC_TIME_SLIDER,
                        R::IDC_TIME_VALUE,
                        Conv::ReverbTime,
                        EditedField(KEL_FIELD(ReverbBlock, time)),
                        kReverbTimeUnits},
                   }));

constexpr auto kTexts =
    groups::Concat(CommonTexts({IDC_WET_TITLE, "混响音量", "Reverb Wet Volume"},
                               {IDC_DRY_TITLE, "混响直达声", "Reverb Dry Volume"},
                               {IDC_HPF_TITLE, "高通", "HPF"}, {IDC_LPF_TITLE, "低通", "LPF"}),
                   std::to_array<PageText>({
                       {R::IDC_PRE_DELAY_TITLE, "混响预延时", "Reverb PreDelay"},
                       {R::IDC_TIME_TITLE, "混响时间", "Reverb Time"},
                   }));

constexpr PageTables kTables = Checked({
    .record = RecordKind::Reverb,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCommonCombos,
    .toggles = kCommonToggles<ReverbBlock>,
    .texts = kTexts,
    .expert = kCommonExpert,         // only the dry volume
    .graph = {.channel = EQ_REVERB}, // the effect page's graph; the strips stay on the reverb for good
    .strips = {.count = kBands},
    .eqResetButton = IDC_EQ_RESET,
});

} // namespace

CRev_Dlg::CRev_Dlg(QWidget* parent, PageHost* host, CCFStatic* graph)
    : CBoundPage(parent, host, kTables, graph) {}

std::uint8_t* CRev_Dlg::EditedRecord() {
    return reinterpret_cast<std::uint8_t*>(&TheModel().image.reverb);
}

} // namespace kel

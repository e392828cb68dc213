// The dynamic EQ page: three band columns generated from one arrangement, the channel buttons and SYNC of
// the music channels, the graph of the three bands. The compressor bytes belong to the channel edited.
#include "pages/DEQ_Dlg.h"

#include "controls/CFStatic.h"
#include "model/Sections.h"
#include "pages/PageGroups.h"

#include <array>

namespace kel {

namespace {

using D = CDEQ_Dlg;

// Band i's record within a MusicBlock; its compressor bytes follow the LimiterRecord order.
static_assert(offsetof(MusicBlock, deq) == 121 && sizeof(DynamicEqBand) == 10 &&
              offsetof(DynamicEqBand, limitLevel) == 5);

constexpr FieldOf<MusicBlock, DynamicEqBand> DeqBand(int band) {
    FieldOf<MusicBlock, DynamicEqBand> f = KEL_FIELD(MusicBlock, deq[0]);
    f.offset = static_cast<std::uint16_t>(f.offset + sizeof(DynamicEqBand) * static_cast<std::size_t>(band));
    return f;
}

constexpr int Id(int band, D::BandControl c) {
    return D::BandId(band, c);
}

constexpr groups::LimiterIds CompressorIds(int band) {
    return {Id(band, D::BAND_NUMBER),
            {Id(band, D::LEVEL_LABEL), Id(band, D::LEVEL_VALUE), Id(band, D::LEVEL_SLIDER)},
            {Id(band, D::ATTACK_LABEL), Id(band, D::ATTACK_VALUE), Id(band, D::ATTACK_SLIDER)},
            {Id(band, D::RELEASE_LABEL), Id(band, D::RELEASE_VALUE), Id(band, D::RELEASE_SLIDER)},
            {Id(band, D::RATIO_LABEL), Id(band, D::RATIO_VALUE), Id(band, D::RATIO_SLIDER)}};
}

constexpr groups::BandLabelIds BandLabels(int band) {
    return {Id(band, D::TYPE_LABEL), Id(band, D::GAIN_LABEL), Id(band, D::FREQ_LABEL), Id(band, D::Q_LABEL)};
}

// The template (dialog 144), in dialog units. Each column is 200 wide: the EQ controls on the left, the
// compressor rows from x + 92.
constexpr std::array<int, D::kBands> kColumnX = {10, 258, 492};
constexpr std::array<const char*, D::kBands> kBandNumbers = {"1", "2", "3"};
constexpr int kEditX = 42, kEditW = 44, kEditH = 12, kLabelW = 40;
constexpr int kCompressorX = 92, kCompressorY = 42, kCompressorPitch = 29;

constexpr std::array<TemplateItem, 22> BandColumn(int band) {
    const int x = kColumnX[static_cast<std::size_t>(band)];
    return groups::Concat(
        std::to_array<TemplateItem>({
            {Id(band, D::BAND_NUMBER),
             ItemKind::Title,
             {x, 6, 200, 9},
             kBandNumbers[static_cast<std::size_t>(band)]},
            {Id(band, D::TYPE_LABEL), ItemKind::Label, {x, 22, kLabelW, 8}, "类型"},
            {Id(band, D::TYPE), ItemKind::Combo, {x + kEditX, 20, kEditW, kEditH}},
            {Id(band, D::FREQ_LABEL), ItemKind::Label, {x, 37, kLabelW, 8}, "频率(Hz)"},
            {Id(band, D::FREQ), ItemKind::NumEdit, {x + kEditX, 35, kEditW, kEditH}},
            {Id(band, D::GAIN_SLIDER), ItemKind::VSlider, {x + kEditX + 11, 50, 22, 66}},
            {Id(band, D::GAIN_LABEL), ItemKind::Label, {x, 122, kLabelW, 8}, "增益(dB)"},
            {Id(band, D::GAIN), ItemKind::NumEdit, {x + kEditX, 120, kEditW, kEditH}},
            {Id(band, D::Q_LABEL), ItemKind::Label, {x, 139, kLabelW, 8}, "Q值"},
            {Id(band, D::Q), ItemKind::NumEdit, {x + kEditX, 137, kEditW, kEditH}},
        }),
        groups::LimiterRows(CompressorIds(band), x + kCompressorX, kCompressorY, kCompressorPitch));
}

constexpr auto kTemplate =
    groups::Concat(std::to_array<TemplateItem>({
                       {D::IDC_SYNC, ItemKind::Button, {10, 156, 52, 14}, "同步"},
                       {D::IDC_MUSIC_LEFT, ItemKind::Button, {73, 156, 52, 14}, "音乐左"},
                       {D::IDC_MUSIC_RIGHT, ItemKind::Button, {136, 156, 52, 14}, "音乐右"},
                       {D::IDC_EQ_RESET, ItemKind::Button, {223, 156, 52, 14}, "EQ 重置"},
                       {D::IDC_GRAPH, ItemKind::Graph, {6, 176, 706, 164}},
                   }),
                   BandColumn(0), BandColumn(1), BandColumn(2));

constexpr Field BandField(int band, FieldForm form) {
    return FilterField(FieldBase::Band, form, band);
}

// Type, frequency, gain (edit and inverted slider) and Q through the band object; the compressor bytes.
constexpr std::array<SliderBinding, 7> BandSliders(int band) {
    return groups::Concat(std::to_array<SliderBinding>({
                              {Id(band, D::GAIN_SLIDER), Id(band, D::GAIN), Conv::DynBandGain,
                               BandField(band, FieldForm::Gain), 1, true},
                              {0, Id(band, D::FREQ), Conv::BandFreq, BandField(band, FieldForm::Frequency)},
                              {0, Id(band, D::Q), Conv::BandQ, BandField(band, FieldForm::Q)},
                          }),
                          groups::LimiterSliders(CompressorIds(band), FieldBase::Edited,
                                                 groups::CompressorOf(DeqBand(band)), Conv::DynLimitLevel));
}

constexpr auto kSliders = groups::Concat(BandSliders(0), BandSliders(1), BandSliders(2));

constexpr std::array<const char*, 4> kTypeItems = {"BY", "P", "LS", "HS"};

constexpr auto kCombos = std::to_array<ComboBinding>({
    {Id(0, D::TYPE), kTypeItems, BandField(0, FieldForm::Type)},
    {Id(1, D::TYPE), kTypeItems, BandField(1, FieldForm::Type)},
    {Id(2, D::TYPE), kTypeItems, BandField(2, FieldForm::Type)},
});

constexpr std::array<PageText, 8> BandTexts(int band) {
    return groups::Concat(groups::BandLabelTexts(BandLabels(band)),
                          groups::LimiterRowTexts(CompressorIds(band)));
}

// The band numbers are the same in both languages.
constexpr auto kTexts = groups::Concat(std::to_array<PageText>({
                                           {D::IDC_SYNC, "同步", "SYNC"},
                                           {D::IDC_MUSIC_LEFT, "音乐左", "Music Left"},
                                           {D::IDC_MUSIC_RIGHT, "音乐右", "Music Right"},
                                           {D::IDC_EQ_RESET, "EQ 重置", "EQ Reset"},
                                       }),
                                       BandTexts(0), BandTexts(1), BandTexts(2));

// "Easy Mode" disables the whole page: every control of a column except its labels, the buttons, the graph.
constexpr std::array<int, 13> BandExpert(int band) {
    return groups::Concat(std::to_array<int>({Id(band, D::TYPE), Id(band, D::FREQ), Id(band, D::GAIN_SLIDER),
                                              Id(band, D::GAIN), Id(band, D::Q)}),
                          groups::LimiterExpert(CompressorIds(band)));
}

constexpr auto kExpertControls = groups::Concat(
    std::to_array<int>({D::IDC_SYNC, D::IDC_MUSIC_LEFT, D::IDC_MUSIC_RIGHT, D::IDC_EQ_RESET, D::IDC_GRAPH}),
    BandExpert(0), BandExpert(1), BandExpert(2));

constexpr auto kChannels = std::to_array<ChannelChoice>({
    {D::IDC_MUSIC_LEFT, EQ_DEQ_L, RecordIn(KEL_FIELD(ProgramImage, musicL))},
    {D::IDC_MUSIC_RIGHT, EQ_DEQ_R, RecordIn(KEL_FIELD(ProgramImage, musicR))},
});

constexpr PageTables kTables = Checked({
    .record = RecordKind::Music,
    .controls = kTemplate,
    .sliders = kSliders,
    .combos = kCombos,
    .texts = kTexts,
    .expert = kExpertControls,
    .graph = {D::IDC_GRAPH, EQ_LAYOUT_DEQ, EQ_DEQ_L},
    // One link with the music page: the same byte, the same copy (the dynamic bands go with the block).
    .channels = {.choices = kChannels,
                 .selection = &PageViewState::deqChannel,
                 .linkButton = D::IDC_SYNC,
                 .linkByte = &ProgramImage::musicSync,
                 .syncCopy = [] { SyncMusic(true); }},
    .eqResetButton = D::IDC_EQ_RESET,
});

} // namespace

CDEQ_Dlg::CDEQ_Dlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {}

void CDEQ_Dlg::ApplyMode() {
    CBoundPage::ApplyMode();
    if (TheModel().settings.operatingMode == 1) {
        RefreshChannelButtons(); // linked: both channel buttons stay disabled
    }
}

void CDEQ_Dlg::ResetEqOfChannel() {
    CBoundPage::ResetEqOfChannel(); // the bands to their defaults, the graph on the channel again
    for (int band = 0; band < kBands; ++band) {
        RefreshBand(band);
    }
}

void CDEQ_Dlg::OnGraphBandEdited(int /*channel*/, int band) {
    if (band >= 0 && band < kBands) {
        RefreshBand(band);
    }
}

int CDEQ_Dlg::RedrawIndex(int controlId, const Field& field) const {
    if (field.base != FieldBase::Band) {
        return CBoundPage::RedrawIndex(controlId, field);
    }
    const int band = static_cast<int>(field.offset);
    // The type list and the gain edit emphasise their own band; frequency, Q and the gain slider band 1.
    if (field.form == FieldForm::Type || controlId == BandId(band, GAIN)) {
        return band;
    }
    return 0;
}

} // namespace kel

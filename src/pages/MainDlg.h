// CMainDlg: the main output page behind tabs 4..8 (Main, Center, SUB, Rear, Surround). It edits the output
// records of the block the ModeSelector selects — mute, mix levels and their switches, the 10-band EQ,
// crossovers, limiter and delay — and sets the output mode. The pairs have channel buttons and a link; the
// mono tabs hide the right channel's controls. In "Auto" every editing control is shut.
#pragma once

#include "pages/PageConventions.h"

namespace kel {

class CMainDlg : public CBoundPage {
  public:
    // Control ids of the page's template (dialog 149).
    enum ControlId : int {
        IDC_COMBO_HPF = 1025,
        IDC_COMBO_LPF = 1026,
        IDC_MUSIC_LABEL = 1252,
        IDC_MUSIC_VALUE = 1253,
        IDC_MIC_LABEL = 1255,
        IDC_MIC_VALUE = 1256,
        IDC_ECHOA_LABEL = 1258,
        IDC_ECHOA_VALUE = 1259,
        IDC_ECHOB_LABEL = 1261,
        IDC_ECHOB_VALUE = 1262,
        IDC_REVERB_LABEL = 1264,
        IDC_REVERB_VALUE = 1265,
        IDC_LIMIT_TITLE = 1267,
        IDC_LIMIT_LEVEL_LABEL = 1268,
        IDC_LIMIT_LEVEL_VALUE = 1269,
        IDC_LIMIT_ATTACK_LABEL = 1271,
        IDC_LIMIT_ATTACK_VALUE = 1272,
        IDC_LIMIT_RELEASE_LABEL = 1274,
        IDC_LIMIT_RELEASE_VALUE = 1275,
        IDC_RATIO_LABEL = 1277,
        IDC_RATIO_VALUE = 1278,
        IDC_LEFT_DELAY_LABEL = 1280,
        IDC_LEFT_DELAY_VALUE = 1281,
        IDC_RIGHT_DELAY_LABEL = 1283,
        IDC_RIGHT_DELAY_VALUE = 1284,
        IDC_HPF_TITLE = 1286,
        IDC_HPF_EDIT = 1287,
        IDC_LPF_EDIT = 1290,
        IDC_GRAPH = 1298,
        IDC_LABEL_TYPE = 1406,
        IDC_LABEL_GAIN = 1407,
        IDC_LABEL_FREQ = 1408,
        IDC_LABEL_Q = 1409,
        IDC_LPF_TITLE = 1410,
        IDC_LEFT_DISTANCE = 1415,
        IDC_RIGHT_DISTANCE = 1416,
        IDC_SYNC = 3700,
        IDC_LEFT = 3701,
        IDC_RIGHT = 3702,
        IDC_EQ_RESET = 3703,
        IDC_EQ_PASS = 3704,
        IDC_LEFT_MUTE = 3705,
        IDC_RIGHT_MUTE = 3706,
        IDC_AUTO = 3707,
        IDC_SING = 3708,
        IDC_DISCO = 3709,
        IDC_DECODE = 3710,
        IDC_MUSIC_SLIDER = 3720,
        IDC_MIC_SLIDER = 3721,
        IDC_ECHOA_SLIDER = 3722,
        IDC_ECHOB_SLIDER = 3723,
        IDC_REVERB_SLIDER = 3724,
        IDC_LIMIT_LEVEL_SLIDER = 3725,
        IDC_LIMIT_ATTACK_SLIDER = 3726,
        IDC_LIMIT_RELEASE_SLIDER = 3727,
        IDC_RATIO_SLIDER = 3728,
        IDC_LEFT_DELAY_SLIDER = 3729,
        IDC_RIGHT_DELAY_SLIDER = 3730,
        IDC_HPF_SLIDER = 3731,
        IDC_LPF_SLIDER = 3732,
        IDC_MUSIC_SWITCH = 3750,
        IDC_MIC_SWITCH = 3751,
        IDC_ECHOA_SWITCH = 3752,
        IDC_ECHOB_SWITCH = 3753,
        IDC_REVERB_SWITCH = 3754,
    };
    static constexpr int kBands = 10;
    static constexpr int kFirstTab = 4; // Main; then Center, SUB, Rear, Surround

    CMainDlg(QWidget* parent, PageHost* host);

    void SelectOutputTab(int tab) override;
    void Refresh() override;
    void ApplyLanguage() override;
    void ApplyMode() override;

    int Tab() const { return m_tab; }
    int EditedChannel() const override;
    std::uint8_t* EditedRecord() override;
    // The limiter record: the pair's left record (Main R's limiter is never edited), or the mono record.
    std::uint8_t* SharedRecord() override;
    // The pair's right record (its mute and delay); none on the mono tabs.
    std::uint8_t* PartnerRecord() override;

  protected:
    const ChannelSetup& Channels() const override;
    void OnButton(int id) override;

  private:
    // Mode buttons, and every editing control shut in "Auto" and open otherwise (Easy Mode kept).
    void ApplyOutputMode();
    void ChooseOutputMode(int mode);
    OutputChannel& Record(int record);

    int m_tab = kFirstTab;
};

} // namespace kel

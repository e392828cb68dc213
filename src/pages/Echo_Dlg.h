// CEcho_Dlg: the echo sub-page of the effect page — Echo A or Echo B, as the effect selection says: the
// 7-band EQ with its crossovers, wet and dry volumes with their signs, delays, right-channel offsets and
// repeat. It draws on the effect page's graph.
#pragma once

#include "pages/EffectCommon.h"
#include "pages/PageConventions.h"

namespace kel {

class CEcho_Dlg : public CBoundPage {
  public:
    enum ControlId : int {
        IDC_PRE_DELAY_TITLE = effect::IDC_FIRST_OWN,
        IDC_PRE_DELAY_VALUE,
        IDC_PRE_DELAY_SLIDER,
        IDC_DELAY_TITLE,
        IDC_DELAY_VALUE,
        IDC_DELAY_SLIDER,
        IDC_REPEAT_TITLE,
        IDC_REPEAT_VALUE,
        IDC_REPEAT_SLIDER,
        IDC_RIGHT_PRE_DELAY_TITLE,
        IDC_RIGHT_PRE_DELAY_VALUE,
        IDC_RIGHT_PRE_DELAY_SLIDER,
        IDC_RIGHT_DELAY_TITLE,
        IDC_RIGHT_DELAY_VALUE,
        IDC_RIGHT_DELAY_SLIDER,
    };

    CEcho_Dlg(QWidget* parent, PageHost* host, CCFStatic* graph);

    // Echo A (4) or Echo B (5): the effect selection.
    int EditedChannel() const override;
    std::uint8_t* EditedRecord() override;
    // The effect page switched between Echo A and Echo B: the highlight goes, the strips follow.
    void SelectEcho();
};

} // namespace kel

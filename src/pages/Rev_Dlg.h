// CRev_Dlg: the reverb sub-page of the effect page — the 7-band EQ with its crossovers, wet and dry volumes
// with their signs, the pre-delay and the reverb time. It draws on the effect page's graph.
#pragma once

#include "pages/EffectCommon.h"
#include "pages/PageConventions.h"

namespace kel {

class CRev_Dlg : public CBoundPage {
  public:
    enum ControlId : int {
        IDC_PRE_DELAY_TITLE = effect::IDC_FIRST_OWN,
        IDC_PRE_DELAY_VALUE,
        IDC_PRE_DELAY_SLIDER,
        IDC_TIME_TITLE,
        IDC_TIME_VALUE,
        IDC_TIME_SLIDER,
    };

    CRev_Dlg(QWidget* parent, PageHost* host, CCFStatic* graph);

    std::uint8_t* EditedRecord() override;
};

} // namespace kel

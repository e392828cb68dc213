// The pages behind the tabs. Adding a page: include its header and name its class on its line.
#include "app/PageTable.h"

#include "pages/DEQ_Dlg.h"
#include "pages/Effect_Dlg.h"
#include "pages/MainDlg.h"
#include "pages/Mic_Dlg.h"
#include "pages/MusicDlg.h"
#include "pages/SysDlg.h"

namespace kel {

namespace {
template <class Page> CPageBase* Create(QWidget* parent, PageHost* host) {
    return new Page(parent, host); // owned by its parent, the tab control
}
} // namespace

const std::array<PageEntry, kPageCount> kPages = {{
    {PageId::Music, &Create<CMusicDlg>},
    {PageId::Deq, &Create<CDEQ_Dlg>},
    {PageId::Mic, &Create<CMic_Dlg>},
    {PageId::Effect, &Create<CEffect_Dlg>},
    {PageId::Main, &Create<CMainDlg>},
    {PageId::System, &Create<CSysDlg>},
}};

} // namespace kel

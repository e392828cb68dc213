// CPlaceholderPage: the empty page standing in for a page that is not built yet.
#pragma once

#include "pages/PageBase.h"

namespace kel {

class CPlaceholderPage : public CPageBase {
  public:
    using CPageBase::CPageBase;
};

} // namespace kel

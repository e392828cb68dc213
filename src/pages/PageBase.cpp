// The page base: keyboard convention and custom message delivery.
#include "pages/PageBase.h"

#include "controls/EnterFocus.h"
#include "controls/MessageEvent.h"

namespace kel {

CPageBase::CPageBase(QWidget* parent, PageHost* host) : QWidget(parent), m_host(host) {
    // Enter and Escape take the focus to the page (a numeric edit commits); they never close anything.
    TakeFocusOnEnter(this);
}

void CPageBase::customEvent(QEvent* event) {
    if (const auto* msg = dynamic_cast<const CMessageEvent*>(event)) {
        OnMessage(msg->Message(), msg->WParam(), msg->LParam());
    }
}

void CPageBase::paintEvent(QPaintEvent*) {}

} // namespace kel

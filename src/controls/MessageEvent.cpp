// Posting and sending custom window messages.
#include "controls/MessageEvent.h"

#include <QCoreApplication>

namespace kel {

void PostMessageTo(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new CMessageEvent(message, wParam, lParam));
    }
}

void SendMessageTo(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam) {
    if (target != nullptr) {
        CMessageEvent event(message, wParam, lParam);
        QCoreApplication::sendEvent(target, &event);
    }
}

} // namespace kel

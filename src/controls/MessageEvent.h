// Custom window messages as Qt events: the event type is the message number, wParam and lParam ride along.
#pragma once

#include "model/Messages.h"

#include <QEvent>

#include <array>
#include <cstddef>
#include <cstdint>

class QObject;

namespace kel {

// Every message number of the system lies in Qt's user range, so it can be an event type as it is.
static_assert(static_cast<int>(MSG_GRAPH_BAND_EDITED) >= static_cast<int>(QEvent::User) &&
              static_cast<int>(MSG_NUMEDIT_CHANGED) <= static_cast<int>(QEvent::MaxUser));

class CMessageEvent : public QEvent {
  public:
    CMessageEvent(int message, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), m_wParam(wParam), m_lParam(lParam) {}

    int Message() const { return static_cast<int>(type()); }
    std::intptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }

  private:
    std::intptr_t m_wParam;
    std::intptr_t m_lParam;
};

// Queues a message for the target's thread; safe from any thread, never waits. A null target drops it.
void PostMessageTo(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam);
// Delivers a message at once on the calling thread (the target's own thread).
void SendMessageTo(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam);

// One line of a message table: a message number and the member that handles it.
template <class T> struct MessageEntry {
    int message;
    void (T::*handler)(std::intptr_t wParam, std::intptr_t lParam);
};

// Looks the event up in a class's message table and calls the handler; false when it is not listed.
template <class T, std::size_t N>
bool DispatchMessage(T* self, const std::array<MessageEntry<T>, N>& table, QEvent* event) {
    const auto* msg = dynamic_cast<const CMessageEvent*>(event);
    if (msg == nullptr) {
        return false;
    }
    for (const MessageEntry<T>& entry : table) {
        if (entry.message == msg->Message()) {
            (self->*entry.handler)(msg->WParam(), msg->LParam());
            return true;
        }
    }
    return false;
}

} // namespace kel

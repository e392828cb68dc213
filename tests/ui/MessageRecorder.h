// A parent widget that records the custom messages its controls post or send to it.
#pragma once

#include "controls/MessageEvent.h"

#include <QCoreApplication>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace kel::uitest {

struct Recorded {
    int message;
    std::intptr_t wParam;
    std::intptr_t lParam;
};

class MessageRecorder : public QWidget {
  public:
    MessageRecorder() { resize(400, 300); }

    // Delivers what is still queued, then hands the record over and starts a new one.
    std::vector<Recorded> Take() {
        QCoreApplication::sendPostedEvents(this);
        std::vector<Recorded> out;
        out.swap(m_messages);
        return out;
    }
    int Count(int message) {
        QCoreApplication::sendPostedEvents(this);
        int n = 0;
        for (const Recorded& r : m_messages) {
            n += r.message == message ? 1 : 0;
        }
        return n;
    }

  protected:
    void customEvent(QEvent* event) override {
        if (const auto* msg = dynamic_cast<const CMessageEvent*>(event)) {
            m_messages.push_back({msg->Message(), msg->WParam(), msg->LParam()});
        }
    }

  private:
    std::vector<Recorded> m_messages;
};

} // namespace kel::uitest

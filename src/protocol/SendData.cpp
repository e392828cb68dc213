// Queued frames and the transmit queue.
#include "model/AppHooks.h"
#include "model/Model.h"
#include "protocol/Protocol.h"

namespace kel {

CSendData::CSendData() : m_record(std::make_unique<FrameRecord>()) {
    InitFrameRecord(*m_record);
}

void CSendDataQueue::Add(std::unique_ptr<CSendData> frame) {
    if (frame) {
        m_frames.push_back(std::move(frame));
    }
}

int CSendDataQueue::PopInto(FrameRecord& tx) {
    if (m_frames.empty()) {
        return 0;
    }
    tx = m_frames.front()->Record();
    m_frames.erase(m_frames.begin());
    return 1;
}

void CSendDataQueue::Clear() {
    m_frames.clear();
    ResetRecords(TheModel().settings.transportType, true);
}

void CSendDataQueue::Number() {
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        m_frames[i]->Record().sequence = static_cast<std::uint8_t>(i + 1);
    }
    m_progressTotal = Count();
    Hooks().BeginProgress(m_progressTotal);
}

} // namespace kel

// The row of band strips: re-indexing on scroll, following the graph, marking the strip last edited.
#include "pages/StripRow.h"

#include "pages/EQDlg.h"
#include "pages/PageConventions.h"

#include <QSlider>

#include <algorithm>

namespace kel {

CStripRow::CStripRow(QWidget* page, CCFStatic* graph, int count, int eqChannel, int pitchX) {
    for (int i = 0; i < count; ++i) {
        auto* strip = new CEQDlg(page); // owned by the page
        strip->move(kFirstX + pitchX * i, kTop);
        strip->SetGraph(graph);
        strip->show();
        strip->SetChannel(eqChannel, false);
        strip->SetIndex(i);
        m_strips.push_back(strip);
    }
}

void CStripRow::AttachScroller(QSlider* scroller, int maxFirst, int* first, int* last,
                               bool reindexUnchanged) {
    m_scroller = scroller;
    m_maxFirst = maxFirst;
    m_first = first;
    m_last = last;
    m_reindexUnchanged = reindexUnchanged;
    scroller->setRange(0, maxFirst);
    scroller->setSingleStep(1);
    scroller->setPageStep(1);
    // The row starts where the page left it (bands 0..9 after start-up).
    *m_first = std::clamp(*m_first, 0, maxFirst);
    *m_last = *m_first + Count() - 1;
    scroller->setValue(*m_first);
    // Every scroll action the user makes, and the end of a drag (which may leave the position as it was).
    QObject::connect(scroller, &QSlider::actionTriggered, scroller, [this](int) { Scrolled(); });
    QObject::connect(scroller, &QSlider::sliderReleased, scroller, [this] { Scrolled(); });
    if (*m_first != 0) {
        Reindex();
    }
}

int CStripRow::First() const {
    return m_first != nullptr ? *m_first : 0;
}

CEQDlg* CStripRow::StripOfBand(int band) const {
    const int s = band - First();
    return s >= 0 && s < Count() ? m_strips[static_cast<std::size_t>(s)] : nullptr;
}

void CStripRow::SetChannel(int eqChannel) {
    for (CEQDlg* strip : m_strips) {
        strip->SetChannel(eqChannel, true);
    }
}

void CStripRow::Reindex() {
    Unhighlight();
    for (int i = 0; i < Count(); ++i) {
        m_strips[static_cast<std::size_t>(i)]->SetIndex(First() + i);
    }
}

void CStripRow::RefreshAll() {
    for (CEQDlg* strip : m_strips) {
        strip->Refresh();
    }
}

void CStripRow::Scrolled() {
    if (m_scroller == nullptr) {
        return;
    }
    const int position = std::clamp(m_scroller->sliderPosition(), 0, m_maxFirst);
    if (!m_reindexUnchanged && position == *m_first) {
        return;
    }
    *m_first = position;
    *m_last = position + Count() - 1;
    Reindex();
}

void CStripRow::ShowBand(int band) {
    if (band < 0) {
        return;
    }
    if (m_scroller != nullptr && (band < *m_first || band > *m_last)) {
        // The band goes to the right end of the row, or the row starts at band 0.
        const int p = std::clamp(band <= Count() - 1 ? 0 : band - (Count() - 1), 0, m_maxFirst);
        if (p != m_scroller->value()) {
            *m_first = p;
            *m_last = p + Count() - 1;
            m_scroller->setValue(p);
            Reindex();
        }
    }
    if (CEQDlg* strip = StripOfBand(band)) {
        strip->RefreshAndFocus();
        Highlight(band);
    }
}

void CStripRow::Highlight(int band) {
    CEQDlg* strip = StripOfBand(band);
    if (strip == nullptr || strip == m_highlighted) {
        return;
    }
    if (m_highlighted != nullptr) {
        m_highlighted->SetTitleColour(kPlainTitleColour);
    }
    m_highlighted = strip;
    strip->SetTitleColour(kHighlightColour);
}

void CStripRow::Unhighlight() {
    if (m_highlighted != nullptr) {
        m_highlighted->SetTitleColour(kPlainTitleColour);
        m_highlighted = nullptr;
    }
}

} // namespace kel

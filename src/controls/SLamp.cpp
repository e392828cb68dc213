// The level meter: segment layout, level and signal mapping, painting.
#include "controls/SLamp.h"

#include <QPainter>

#include <algorithm>

namespace kel {

namespace {
constexpr int kSegmentGap = 6;
constexpr int kLevelFloor = 110;
constexpr int kLevelTop = 200;
constexpr int kLevelStep = 6;
constexpr int kLastGreen = 15;
constexpr int kYellowSegment = 16;
} // namespace

CSLamp::CSLamp(QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < kSegments; ++i) {
        m_colours[static_cast<std::size_t>(i)] = QColor(0, 176, 80);
    }
    m_colours[kYellowSegment] = QColor(255, 255, 0);
    m_colours[kSignalSegment] = QColor(255, 165, 0);
    Layout();
}

void CSLamp::Layout() {
    const int h = height();
    const int a = h / 17;
    for (int i = 0; i < kSegments; ++i) {
        const int bottom = h - i * a;
        const int top = bottom - a + kSegmentGap;
        m_rects[static_cast<std::size_t>(i)] = QRect(QPoint(0, top), QPoint(width() - 1, bottom - 1));
    }
    update();
}

void CSLamp::resizeEvent(QResizeEvent*) {
    Layout();
}

void CSLamp::SetLevel(int value) {
    value = std::min(value, kLevelTop);
    m_pending = m_lit;
    if (value < kLevelFloor) {
        for (int i = 0; i <= kYellowSegment; ++i) {
            m_pending[static_cast<std::size_t>(i)] = false;
        }
    } else {
        const int n = (value - kLevelFloor) / kLevelStep;
        for (int i = 0; i <= kLastGreen; ++i) {
            m_pending[static_cast<std::size_t>(i)] = i <= n;
        }
        m_pending[kYellowSegment] = value == kLevelTop;
    }
    Commit();
}

void CSLamp::SetSignal(int value) {
    m_pending = m_lit;
    m_pending[kSignalSegment] = value < kLevelTop;
    Commit();
}

void CSLamp::AllOff() {
    m_pending.fill(false);
    Commit();
}

void CSLamp::Commit() {
    if (m_pending != m_lit) {
        m_lit = m_pending;
        repaint();
    }
}

int CSLamp::LitLevelSegments() const {
    return static_cast<int>(std::count(m_lit.begin(), m_lit.begin() + kSignalSegment, true));
}

void CSLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(132, 132, 132));
    for (int i = 0; i < kSegments; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (m_lit[k] && m_rects[k].isValid()) {
            p.fillRect(m_rects[k], m_colours[k]);
        }
    }
}

} // namespace kel

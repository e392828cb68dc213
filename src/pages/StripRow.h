// CStripRow: a page's row of band strips, its band scroller, and which strip is marked red.
#pragma once

#include <vector>

class QSlider;
class QWidget;

namespace kel {

class CCFStatic;
class CEQDlg;

class CStripRow {
  public:
    // Where the strips sit on their page, in pixels: strip i at x = 60 + pitch × i (58 on most pages),
    // y = 5.
    static constexpr int kFirstX = 60;
    static constexpr int kPitchX = 58;
    static constexpr int kTop = 5;

    // Creates `count` strips on the page for bands 0.. of the channel, each redrawing the graph.
    CStripRow(QWidget* page, CCFStatic* graph, int count, int eqChannel, int pitchX = kPitchX);
    CStripRow(const CStripRow&) = delete;
    CStripRow& operator=(const CStripRow&) = delete;

    // The scroller moves the first band shown over 0..maxFirst; the band window (first and last band
    // shown) lives where the page keeps it across page switches. With reindexUnchanged, every scroll
    // message re-indexes the row, also when the position did not change.
    void AttachScroller(QSlider* scroller, int maxFirst, int* first, int* last, bool reindexUnchanged);

    int Count() const { return static_cast<int>(m_strips.size()); }
    CEQDlg& Strip(int i) const { return *m_strips[static_cast<std::size_t>(i)]; }
    // The first band shown (0 without a scroller).
    int First() const;
    // The strip showing a band, or null when it is not shown.
    CEQDlg* StripOfBand(int band) const;
    CEQDlg* Highlighted() const { return m_highlighted; }
    QSlider* Scroller() const { return m_scroller; }

    // Every strip bound to the channel's collection and refreshed.
    void SetChannel(int eqChannel);
    // Un-marks the marked strip, then strip i shows band first + i.
    void Reindex();
    void RefreshAll();
    // The scroller was moved by the user (any scroll action, or the end of a drag).
    void Scrolled();
    // The graph reported band b: the row scrolls to show it, its strip refreshes, takes the focus and is
    // marked.
    void ShowBand(int band);
    // A strip reported band b: its strip is marked red, the one marked before black.
    void Highlight(int band);
    void Unhighlight();

  private:
    std::vector<CEQDlg*> m_strips; // children of the page
    QSlider* m_scroller = nullptr;
    int m_maxFirst = 0;
    int* m_first = nullptr;
    int* m_last = nullptr;
    bool m_reindexUnchanged = false;
    CEQDlg* m_highlighted = nullptr;
};

} // namespace kel

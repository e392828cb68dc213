// CEQDlg: the band strip — type, gain (edit and vertical slider), frequency and Q of one EQ band.
#pragma once

#include "dsp/Filter.h"

#include <QColor>
#include <QWidget>

#include <cstdint>

class QComboBox;

namespace kel {

class CBitmapSlider;
class CCFStatic;
class CFontStatic;
class CNumEdit;

class CEQDlg : public QWidget {
  public:
    // Control ids of the strip's template (dialog 136).
    enum ControlId : int {
        IDC_GAIN = 1022,
        IDC_FREQ = 1023,
        IDC_Q = 1024,
        IDC_TYPE = 1025,
        IDC_TITLE = 1027,
        IDC_GAIN_SLIDER = 1291,
    };
    // The template's size in dialog units.
    static constexpr int kWidthDlu = 26;
    static constexpr int kHeightDlu = 139;

    explicit CEQDlg(QWidget* parent);
    ~CEQDlg() override;
    CEQDlg(const CEQDlg&) = delete;
    CEQDlg& operator=(const CEQDlg&) = delete;

    // The graph redrawn (with this strip's band emphasised) after every edit.
    void SetGraph(CCFStatic* graph) { m_graph = graph; }
    // With rebind, binds element [band index] of the channel's collection and refreshes.
    void SetChannel(int eqChannel, bool rebind);
    // Binds element [i] of the current channel's collection, retitles and refreshes; nothing while
    // no channel is set.
    void SetIndex(int index);
    // The controls from the bound band; sends nothing.
    void Refresh();
    // As Refresh, then the focus goes to the gain edit.
    void RefreshAndFocus();
    // Red marks the strip of the band last edited, black the others.
    void SetTitleColour(const QColor& colour);

    int Channel() const { return m_channel; }
    int Index() const { return m_index; }
    CFilter* Filter() const { return m_filter; }
    CFontStatic& Title() const { return *m_title; }
    QComboBox& TypeBox() const { return *m_type; }
    CNumEdit& GainEdit() const { return *m_gain; }
    CBitmapSlider& GainSlider() const { return *m_slider; }
    CNumEdit& FreqEdit() const { return *m_freq; }
    CNumEdit& QEdit() const { return *m_q; }

  protected:
    void customEvent(QEvent* event) override;

  private:
    // The filter moves the gain slider itself while its band is dragged on the graph.
    class SliderLink : public GainSliderLink {
      public:
        explicit SliderLink(CEQDlg& strip) : m_strip(strip) {}
        void SetPosInverted(int gainIndex) override;

      private:
        CEQDlg& m_strip;
    };

    void Bind(CFilter* filter);
    // After a type or edit change: the page is told at once, the graph emphasises the band.
    void Edited();
    void OnTypeChosen(int index);
    void OnNumEdit(std::intptr_t, std::intptr_t controlId);
    void OnSlider(std::intptr_t controlId, std::intptr_t);

    friend struct EqDlgMessages;

    CFontStatic* m_title = nullptr;
    QComboBox* m_type = nullptr;
    CNumEdit* m_gain = nullptr;
    CBitmapSlider* m_slider = nullptr;
    CNumEdit* m_freq = nullptr;
    CNumEdit* m_q = nullptr;
    SliderLink m_link{*this};
    CFilter* m_filter = nullptr;
    int m_index = 0;
    int m_channel = -1;
    // The last values read from the controls.
    int m_lastGain = 0;
    int m_lastFreq = 0;
    int m_lastQ = 0;
    int m_lastType = 0;
    CCFStatic* m_graph = nullptr;
};

} // namespace kel

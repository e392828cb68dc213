// What the pages share: controls made from a template table, controls bound to image or system fields
// through the conversions table, the edit paths, Refresh, language and mode tables, and the link buttons.
#pragma once

#include "model/DataConver.h"
#include "model/ProgramImage.h"
#include "pages/PageBase.h"

#include <QColor>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

class QComboBox;
class QSlider;

namespace kel {

class CBitButton;
class CBitmapSlider;
class CCFStatic;
class CEdit_Static;
class CFilter;
class CFontStatic;
class CNumEdit;
class CStripRow;

// A rectangle of a page template, in dialog units.
struct PageRect {
    int x, y, w, h;
};

enum class ItemKind : std::uint8_t {
    Label,    // static text
    Title,    // the heading of a group of controls
    Slider,   // horizontal page slider (its size comes from the skin bitmap)
    Display,  // value display beside a slider
    NumEdit,  // numeric edit
    Combo,    // drop-down list
    Button,   // two-state text button
    Scroller, // the band scroller (trackbar)
    Graph,    // the EQ graph
};

// One control of a page template; the caption is the template's own text (kept where a language table
// does not replace it).
struct TemplateItem {
    int id;
    ItemKind kind;
    PageRect rect;
    const char* caption = nullptr;
};

// Where a bound value lives.
enum class FieldBase : std::uint8_t {
    Edited,   // the record of the channel being edited
    Shared,   // the record that holds a setting of both channels (music: Music Left's limiter and gate)
    System,   // the working system block
    HighPass, // the edited channel's high-pass crossover object
    LowPass,  // the edited channel's low-pass crossover object
};

enum class FieldForm : std::uint8_t {
    Byte,
    Word,       // 16-bit little-endian
    HighNibble, // the upper four bits; the lower four are kept
    Frequency,  // crossover frequency index, through the filter object
    Slope,      // crossover slope, through the filter object
};

struct Field {
    FieldBase base;
    FieldForm form;
    std::size_t offset = 0; // within the record (Byte, Word, HighNibble)
};

// A slider and its partner (a value display or a numeric edit, as the template says) showing one field.
struct SliderBinding {
    int slider;
    int partner;
    Conv conversion;
    Field field;
};

// A drop-down list whose selection index is the stored value.
struct ComboBinding {
    int combo;
    std::span<const char* const> items;
    Field field;
};

// A two-state button toggling a byte between 0 and 1 (EQ bypass redraws the graph).
struct ToggleBinding {
    int button;
    Field field;
    bool redrawsGraph;
};

// A caption in both languages.
struct PageText {
    int id;
    const char* zh;
    const char* en;
};

// The link (SYNC) and the two channel buttons of a page that edits one of two channels.
struct ChannelLinkSpec {
    int linkButton;
    int channel1Button;
    int channel2Button;
    int channel1; // EqChannel codes
    int channel2;
};

inline const QColor kHighlightColour{255, 0, 0};
inline const QColor kPlainTitleColour{0, 0, 0};

class CBoundPage : public CPageBase {
  public:
    CBoundPage(QWidget* parent, PageHost* host);
    ~CBoundPage() override;

    // The controls by template id (null when the id is not of that kind).
    QWidget* Control(int id) const;
    CBitmapSlider* Slider(int id) const;
    CEdit_Static* Display(int id) const;
    CNumEdit* NumEdit(int id) const;
    QComboBox* Combo(int id) const;
    CBitButton* Button(int id) const;
    CFontStatic* Label(int id) const;
    CCFStatic* Graph() const { return m_graph; }
    CStripRow* Strips() const { return m_strips.get(); }

    // The record being edited and the channel's crossover objects.
    virtual std::uint8_t* EditedRecord() = 0;
    virtual std::uint8_t* SharedRecord() { return EditedRecord(); }
    CFilter* HighPass() const { return m_highPass; }
    // The channel being edited: channel 1 while linked, else the selection.
    int EditedChannel() const;
    CFilter* LowPass() const { return m_lowPass; }

  protected:
    // Initialisation: controls, then bindings (ranges, kinds, lists; no values).
    void CreateControls(std::span<const TemplateItem> items);
    void BindSliders(std::span<const SliderBinding> bindings);
    void BindCombos(std::span<const ComboBinding> bindings);
    void BindToggles(std::span<const ToggleBinding> bindings);
    // The graph of the page: initialised, owned by this page, with its layout and first channel.
    void InitGraph(int layout, int channel);
    // The row of band strips under the graph.
    void CreateStrips(int count, int channel);
    // The crossover objects of a channel's collection (n and n + 1).
    void UseCrossoversOf(int eqChannel);

    // Loads the bound controls from the model; sends nothing, writes nothing.
    void RefreshBindings();
    // Only the bindings of one field base (e.g. the high-pass after a graph drag).
    void RefreshBindings(FieldBase base, FieldForm form);
    void ApplyTexts(std::span<const PageText> texts);
    // Disabled in "Easy Mode", enabled in "Full Mode".
    void ApplyExpert(std::span<const int> ids);

    // Link and channel buttons.
    void SetChannelLink(const ChannelLinkSpec& link, std::uint8_t* linkByte, int* selection);
    // Link clicked: under ImageLock the byte is toggled and the channel routine runs.
    void ToggleLink();
    // Channel 1 or 2 clicked; the channel already selected does nothing.
    void SelectChannel(int eqChannel);
    // The buttons' states for the link byte and the selection (in Refresh).
    void RefreshChannelButtons();
    // The copy of channel 1 onto channel 2 when the link goes off (image and shadow, filters rebound).
    virtual void SyncCopy() {}
    // After the selection changed: the strips follow the channel and the page reloads.
    virtual void ChannelSwitched();

    // Buttons other than toggles, links and channels.
    virtual void OnButton(int /*id*/) {}
    // Graph and strip reports (message handling, steps 6 and 7).
    virtual void OnGraphBandEdited(int channel, int band);
    virtual void OnStripBandEdited(int band);
    // Custom messages not handled here.
    virtual void OnPageMessage(int /*message*/, std::intptr_t /*wParam*/, std::intptr_t /*lParam*/) {}

    void OnMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;

    // Edit paths (a slider moved, an edit committed, a list entry chosen, a toggle clicked).
    bool SliderEdited(int id);
    bool NumEditEdited(int id);
    void ComboChosen(int id, int index);
    bool ToggleClicked(int id);

    int ReadField(const Field& f);
    void WriteField(const Field& f, int value);

  private:
    void Clicked(int id);
    std::uint8_t* Base(FieldBase base);
    CFilter* Crossover(FieldBase base) const;
    int CrossoverIndex(FieldBase base) const;
    void RefreshSlider(const SliderBinding& b);

    std::vector<std::pair<int, QWidget*>> m_controls;
    std::vector<SliderBinding> m_sliders;
    std::vector<ComboBinding> m_combos;
    std::vector<ToggleBinding> m_toggles;
    CCFStatic* m_graph = nullptr;
    std::unique_ptr<CStripRow> m_strips;
    CFilter* m_highPass = nullptr;
    CFilter* m_lowPass = nullptr;
    int m_highPassIndex = -1;
    int m_lowPassIndex = -1;
    ChannelLinkSpec m_link{-1, -1, -1, 0, 0};
    std::uint8_t* m_linkByte = nullptr;
    int* m_selection = nullptr;
};

} // namespace kel

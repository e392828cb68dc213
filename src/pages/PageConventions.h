// What the pages share: a page is declared by one PageTables — its template, the controls bound to image or
// system fields through the conversions table, its language and Easy/Full tables, its channel choice, its
// strips and graph — and CBoundPage does the set-up, the edit paths, Refresh, language, mode, links,
// channel buttons and EQ reset from it. A page overrides only what is particular to it.
#pragma once

#include "model/DataConver.h"
#include "model/Edit.h"
#include "model/Field.h"
#include "model/FilterSeam.h"
#include "model/Model.h"
#include "model/ProgramImage.h"
#include "pages/PageBase.h"
#include "pages/PageTemplate.h"

#include <QColor>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

class QComboBox;
class QSlider;

namespace kel {

class CBitButton;
class CBitmapSlider;
class CCFStatic;
class CEdit_Static;
class CEnglishEdit;
class CFilter;
class CFontStatic;
class CNumEdit;
class CSLamp;
class CStripRow;

// Where a bound value lives.
enum class FieldBase : std::uint8_t {
    Edited,   // the record of the channel being edited
    Shared,   // the record that holds a setting of both channels (music: Music Left's limiter and gate)
    System,   // the working system block
    HighPass, // the edited channel's high-pass crossover object
    LowPass,  // the edited channel's low-pass crossover object
    Band,     // a band object of the edited channel's collection; the offset is the band index
    Partner,  // the other record of a pair both shown at once (main output: the right channel's mute, delay)
};

enum class FieldForm : std::uint8_t {
    Byte,
    Word,       // 16-bit little-endian
    HighNibble, // the upper four bits; the lower four are kept
    LowNibble,  // the lower four bits; the upper four are kept
    // Through a filter object (crossover or band).
    Frequency, // frequency index
    Slope,     // crossover slope
    Gain,      // band gain index
    Q,         // band Q index
    Type,      // band type
};

// The kind of record a field belongs to. A page edits records of one kind (its edited, shared and partner
// records); the system block is a kind of its own.
enum class RecordKind : std::uint8_t { None, Music, Mic, Echo, Reverb, Output, System };

template <class Record> inline constexpr RecordKind kRecordKind = RecordKind::None;
template <> inline constexpr RecordKind kRecordKind<MusicBlock> = RecordKind::Music;
template <> inline constexpr RecordKind kRecordKind<MicBlock> = RecordKind::Mic;
template <> inline constexpr RecordKind kRecordKind<EchoBlock> = RecordKind::Echo;
template <> inline constexpr RecordKind kRecordKind<ReverbBlock> = RecordKind::Reverb;
template <> inline constexpr RecordKind kRecordKind<OutputChannel> = RecordKind::Output;
template <> inline constexpr RecordKind kRecordKind<SystemBlock> = RecordKind::System;

// A bound value: a typed field of a record (its base says which record of the page), or a value of a
// filter object (a crossover or a band of the edited channel).
struct Field {
    FieldBase base;
    FieldForm form;
    std::size_t offset = 0; // within the record (Byte, Word, nibbles), or the band index (Band)
    RecordKind record = RecordKind::None;
};

namespace detail {
template <class Record, class Value> constexpr Field RecordField(FieldBase base, FieldOf<Record, Value> f) {
    static_assert(kRecordKind<Record> != RecordKind::None, "a field of a record a page edits");
    static_assert(std::is_same_v<Value, u8> || std::is_same_v<Value, Le16>, "a byte or 16-bit field");
    const FieldForm form = f.storage == Storage::Word         ? FieldForm::Word
                           : f.storage == Storage::HighNibble ? FieldForm::HighNibble
                           : f.storage == Storage::LowNibble  ? FieldForm::LowNibble
                                                              : FieldForm::Byte;
    return {base, form, f.offset, kRecordKind<Record>};
}
} // namespace detail

// A field of the record the page edits (the selected channel's).
template <class Record, class Value> constexpr Field EditedField(FieldOf<Record, Value> f) {
    return detail::RecordField(FieldBase::Edited, f);
}
// A field of the record whose settings both channels share.
template <class Record, class Value> constexpr Field SharedField(FieldOf<Record, Value> f) {
    return detail::RecordField(FieldBase::Shared, f);
}
// A field of the other record of a pair shown side by side.
template <class Record, class Value> constexpr Field PartnerField(FieldOf<Record, Value> f) {
    return detail::RecordField(FieldBase::Partner, f);
}
// A field of the working system block.
template <class Value> constexpr Field SystemField(FieldOf<SystemBlock, Value> f) {
    return detail::RecordField(FieldBase::System, f);
}
// A field of the record `base` names (Edited, Shared or Partner), for the groups that several bases use.
template <class Record, class Value> constexpr Field FieldIn(FieldBase base, FieldOf<Record, Value> f) {
    return detail::RecordField(base, f);
}
// A value of a filter object: the edited channel's high-pass or low-pass, or band `band` of its collection.
constexpr Field FilterField(FieldBase object, FieldForm form, int band = 0) {
    return {object, form, static_cast<std::size_t>(band), RecordKind::None};
}

// A slider and its partner (a value display or a numeric edit, as the template says) showing one field.
// The field holds position × scale (a delay stored in finer steps than its slider moves); shown is the
// stored value ÷ scale, truncated. An inverted slider has its maximum at the top. Slider 0 binds a
// numeric edit that has no slider (the dynamic EQ page's frequency and Q edits). A second value display
// may show the same position through another conversion (a delay also as a distance).
struct SliderBinding {
    int slider;
    int partner;
    Conv conversion;
    Field field;
    int scale = 1;
    bool inverted = false;
    int alsoShownIn = 0; // 0: no second display
    Conv alsoShownAs = Conv::Count;
};

// A drop-down list whose selection index is the stored value. Empty items keep the template's list.
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

// A single-byte text edit: its length, whether it hides what is typed, whether it takes digits only.
struct TextEditSetup {
    int id;
    int maxLength;
    bool password;
    bool digitsOnly;
};

// A caption in both languages.
struct PageText {
    int id;
    const char* zh;
    const char* en;
};

inline constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

// A record of the program image: where it is and what kind it is.
struct ImageRecord {
    std::size_t offset = kNoRecord;
    RecordKind kind = RecordKind::None;
};
template <class Record> constexpr ImageRecord RecordIn(FieldOf<ProgramImage, Record> f) {
    static_assert(kRecordKind<Record> != RecordKind::None, "a record a page edits");
    return {f.offset, kRecordKind<Record>};
}

// One choice of a channel button: the button, the EqChannel it selects and that channel's record in the
// program image (none where the page finds its records itself).
struct ChannelChoice {
    int button;
    int eqChannel;
    ImageRecord record = {};
};

// The channel buttons of a page that edits one of several channels, with the link (SYNC) of a pair.
struct ChannelSetup {
    std::span<const ChannelChoice> choices;
    int PageViewState::*selection = nullptr; // the selection global (survives page switches)
    // Or, for a selection global that is one of an array (a pair of the main output page), where it is.
    int& (*selectionOf)() = nullptr;
    int linkButton = 0; // 0: no link
    std::uint8_t ProgramImage::*linkByte = nullptr;
    // Or the link byte by its image offset (one byte of an array: OutputLink 2707, 2709, 2710).
    std::size_t linkOffset = kNoRecord;
    // Channel 1 copied onto channel 2 in image and shadow when the link goes off.
    void (*syncCopy)() = nullptr;
    // The record of the settings both channels share (none: each channel keeps its own).
    ImageRecord sharedRecord = {};
};

// The row of band strips and its scroller.
struct StripSetup {
    int count = 0;
    int pitchX = 58;  // pixels from one strip to the next
    int scroller = 0; // id of the band scroller; 0 without
    int maxFirst = 0; // the scroller's range is 0..maxFirst
    int PageViewState::*firstBand = nullptr;
    int PageViewState::*lastBand = nullptr;
    bool reindexUnchanged = false; // every scroll message re-indexes, also at the same position
};

// The page's EQ graph: the template's graph control, or (id 0) the graph of the page's parent.
struct GraphSetup {
    int id = 0;
    int layout = 0;
    int channel = 0; // the first EqChannel; also the channel of a page without a channel choice
};

struct PageTables {
    // The kind of the records the page edits (its edited, shared and partner records).
    RecordKind record = RecordKind::None;
    std::span<const TemplateItem> controls;
    std::span<const SliderBinding> sliders;
    std::span<const ComboBinding> combos;
    std::span<const ToggleBinding> toggles;
    std::span<const TextEditSetup> textEdits;
    std::span<const PageText> texts;
    // Rewritten by ApplyLanguage and again at the end of ApplyMode.
    std::span<const PageText> modeTexts;
    // Disabled in "Easy Mode", enabled in "Full Mode".
    std::span<const int> expert;
    GraphSetup graph;
    StripSetup strips;
    ChannelSetup channels;
    int eqResetButton = 0;
};

namespace detail {
// Reached only when a table is wrong; not a constant expression, so the page does not compile.
inline void BindingOfAnotherRecord() {}
constexpr void CheckField(const PageTables& t, const Field& f) {
    const bool inRecord = f.base == FieldBase::Edited || f.base == FieldBase::Shared || f.base == FieldBase::Partner;
    const bool ok = inRecord                       ? f.record == t.record && t.record != RecordKind::None
                    : f.base == FieldBase::System ? f.record == RecordKind::System
                                                  : f.record == RecordKind::None;
    if (!ok) {
        BindingOfAnotherRecord();
    }
}
} // namespace detail

// The page tables, checked when the page is compiled: every binding names a field of the kind of record
// the page edits (or of the system block, or a filter object), and so do the channel records. A binding
// to another record's field does not compile.
consteval PageTables Checked(PageTables t) {
    for (const SliderBinding& b : t.sliders) {
        detail::CheckField(t, b.field);
    }
    for (const ComboBinding& b : t.combos) {
        detail::CheckField(t, b.field);
    }
    for (const ToggleBinding& b : t.toggles) {
        detail::CheckField(t, b.field);
    }
    for (const ChannelChoice& c : t.channels.choices) {
        if (c.record.offset != kNoRecord && c.record.kind != t.record) {
            detail::BindingOfAnotherRecord();
        }
    }
    if (t.channels.sharedRecord.offset != kNoRecord && t.channels.sharedRecord.kind != t.record) {
        detail::BindingOfAnotherRecord();
    }
    return t;
}

inline const QColor kHighlightColour{255, 0, 0};
inline const QColor kPlainTitleColour{0, 0, 0};

// Where faults of a page's tables go (an id naming no control, or a control of another kind). The test
// build stops at the first; otherwise they are logged and the binding is left out.
using PageTableErrorHandler = void (*)(const std::string& message);
PageTableErrorHandler SetPageTableErrorHandler(PageTableErrorHandler handler);

class CBoundPage : public CPageBase {
  public:
    // Builds the page from its tables: controls, graph, strips, scroller, looks, bindings (no values).
    // A page without a graph of its own draws on sharedGraph (a sub-page on its parent's).
    CBoundPage(QWidget* parent, PageHost* host, const PageTables& tables, CCFStatic* sharedGraph = nullptr);
    ~CBoundPage() override;

    void Refresh() override;
    void ApplyLanguage() override;
    void ApplyMode() override;

    const PageTables& Tables() const { return m_tables; }
    // The faults found in the tables when the page was built (empty for a sound page).
    const std::vector<std::string>& TableFaults() const { return m_tableFaults; }

    // The controls by template id (null when the id is not of that kind).
    QWidget* Control(int id) const;
    ItemKind KindOf(int id) const;
    CBitmapSlider* Slider(int id) const;
    CEdit_Static* Display(int id) const;
    CNumEdit* NumEdit(int id) const;
    QComboBox* Combo(int id) const;
    CBitButton* Button(int id) const;
    CFontStatic* Label(int id) const;
    CEnglishEdit* TextEdit(int id) const;
    CSLamp* MeterControl(int id) const;
    // The text a label, group, button, edit, display or list shows.
    QString Text(int id) const;
    CCFStatic* Graph() const { return m_graph; }
    CStripRow* Strips() const { return m_strips.get(); }

    // The record being edited, and the record of the settings both channels share.
    virtual std::uint8_t* EditedRecord();
    virtual std::uint8_t* SharedRecord();
    // The other record of a pair shown side by side (FieldBase::Partner); none by default.
    virtual std::uint8_t* PartnerRecord() { return nullptr; }
    // The channel being edited: channel 1 while linked, else the selection; the graph's channel on a page
    // without a channel choice.
    virtual int EditedChannel() const;
    CFilter* HighPass() const { return m_highPass; }
    CFilter* LowPass() const { return m_lowPass; }

  protected:
    // The channel choice in use: the page tables' own, or (a page serving several tabs) the current tab's.
    virtual const ChannelSetup& Channels() const { return m_tables.channels; }
    // The crossover objects of a channel's collection (n and n + 1).
    void UseCrossoversOf(int eqChannel);

    // Loads the bound controls from the model; sends nothing, writes nothing.
    void RefreshBindings();
    // Only the bindings of one field base and form (e.g. the high-pass after a graph drag).
    void RefreshBindings(FieldBase base, FieldForm form);
    // Only the bindings of one band object (FieldBase::Band with that index): its type, frequency, gain
    // and Q controls (the dynamic EQ page's column after a graph drag or an EQ reset).
    void RefreshBand(int band);
    void ApplyTexts(std::span<const PageText> texts);
    void ApplyExpert(std::span<const int> ids);

    // Link clicked: under ImageLock the byte is toggled and the channel routine runs.
    void ToggleLink();
    // A channel button clicked; the channel already selected does nothing.
    void SelectChannel(int eqChannel);
    // The buttons' states for the link byte and the selection (in Refresh).
    void RefreshChannelButtons();
    // After the selection changed: the strips follow the channel and the page reloads.
    virtual void ChannelSwitched();
    // EQ Reset: the bands of the channel edited to their defaults, the row re-indexed, the graph redrawn.
    virtual void ResetEqOfChannel();

    // Buttons other than toggles, links, channels and EQ reset.
    virtual void OnButton(int /*id*/) {}
    // Graph and strip reports (message handling, steps 6 and 7).
    virtual void OnGraphBandEdited(int channel, int band);
    virtual void OnStripBandEdited(int band);
    // Custom messages not handled here.
    virtual void OnPageMessage(int /*message*/, std::intptr_t /*wParam*/, std::intptr_t /*lParam*/) {}
    // The graph index an edit of a filter field redraws highlighted (a crossover's own index, a band's).
    virtual int RedrawIndex(int controlId, const Field& field) const;

    void OnMessage(int message, std::intptr_t wParam, std::intptr_t lParam) override;

    // Edit paths (a slider moved, an edit committed, a list entry chosen, a toggle clicked).
    bool SliderEdited(int id);
    bool NumEditEdited(int id);
    void ComboChosen(int id, int index);
    bool ToggleClicked(int id);

    int ReadField(const Field& f);
    // A record field's place in the working model (none for filter fields or a page without the record).
    std::optional<FieldAt> RecordFieldAt(const Field& f);
    // controlId: the control that made the edit (for the graph's highlight).
    void WriteField(const Field& f, int value, int controlId = 0);

  private:
    void Build(CCFStatic* sharedGraph);
    QWidget* CreateControl(const TemplateItem& item);
    void BindSliders();
    void BindCombos();
    void ConfigureTextEdits();
    void CheckTables();
    void CheckId(const char* table, int id, bool (*accepts)(ItemKind), const char* wanted);
    void Clicked(int id);
    std::uint8_t* Base(FieldBase base);
    CFilter* FilterOf(const Field& f) const;
    void RefreshSlider(const SliderBinding& b);
    void ShowAlso(const SliderBinding& b, int v);
    // A linked program arrived while channel 2 was selected: linked, the page edits channel 1.
    void FollowLink();
    std::uint8_t* LinkByte() const;
    bool Linked() const;
    int* Selection() const;
    const ChannelChoice* ChoiceOf(int eqChannel) const;

    const PageTables& m_tables;
    std::vector<std::pair<int, QWidget*>> m_controls;
    std::vector<std::pair<int, ItemKind>> m_kinds;
    std::vector<std::string> m_tableFaults;
    CCFStatic* m_graph = nullptr;
    std::unique_ptr<CStripRow> m_strips;
    CFilter* m_highPass = nullptr;
    CFilter* m_lowPass = nullptr;
    int m_highPassIndex = -1;
    int m_lowPassIndex = -1;
};

} // namespace kel

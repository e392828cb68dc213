// The page conventions: a page built from its tables, bound fields, the edit paths, refresh, texts, mode,
// channel buttons and links, EQ reset.
#include "pages/PageConventions.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/EnglishEdit.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "controls/SLamp.h"
#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/Edit.h"
#include "model/Sections.h"
#include "pages/GroupFrame.h"
#include "pages/StripRow.h"

#include <QComboBox>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kel {

namespace {

QRect PixelRect(const PageRect& r) {
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

void DefaultTableFault(const std::string& message) {
#ifdef KELVANE_STRICT_PAGES
    std::fprintf(stderr, "page table fault: %s\n", message.c_str());
    std::abort();
#else
    qCritical("page table fault: %s", message.c_str());
#endif
}

PageTableErrorHandler g_tableFaultHandler = &DefaultTableFault;

ButtonLook LookOf(ItemKind kind) {
    switch (kind) {
    case ItemKind::SignButton:
        return ButtonLook::Sign;
    case ItemKind::SelectorButton:
        return ButtonLook::Selector;
    case ItemKind::SwitchButton:
        return ButtonLook::Switch;
    default:
        return ButtonLook::Text;
    }
}

bool Chinese() {
    return TheModel().settings.languageFlag != 0;
}

// What each table accepts.
bool AnySlider(ItemKind k) {
    return IsSliderKind(k);
}
bool AnyButton(ItemKind k) {
    return IsButtonKind(k);
}
bool SliderPartner(ItemKind k) {
    return k == ItemKind::Display || k == ItemKind::NumEdit;
}
bool DisplayKind(ItemKind k) {
    return k == ItemKind::Display;
}
bool ComboKind(ItemKind k) {
    return k == ItemKind::Combo;
}
bool TextEditKind(ItemKind k) {
    return k == ItemKind::TextEdit;
}
bool ScrollerKind(ItemKind k) {
    return k == ItemKind::Scroller;
}
bool GraphKind(ItemKind k) {
    return k == ItemKind::Graph;
}
bool Captioned(ItemKind k) {
    return k == ItemKind::Label || k == ItemKind::Title || k == ItemKind::Group ||
           k == ItemKind::GroupTitle || IsButtonKind(k);
}
bool AnyControl(ItemKind) {
    return true;
}

} // namespace

PageTableErrorHandler SetPageTableErrorHandler(PageTableErrorHandler handler) {
    PageTableErrorHandler old = g_tableFaultHandler;
    g_tableFaultHandler = handler != nullptr ? handler : &DefaultTableFault;
    return old;
}

CBoundPage::CBoundPage(QWidget* parent, PageHost* host, const PageTables& tables, CCFStatic* sharedGraph)
    : CPageBase(parent, host), m_tables(tables) {
    Build(sharedGraph);
}

CBoundPage::~CBoundPage() = default;

// ------------------------------------------------------------------------------------------- creation

void CBoundPage::Build(CCFStatic* sharedGraph) {
    CheckTables();
    // Groups first, so that every control lies above its frame.
    for (const TemplateItem& item : m_tables.controls) {
        if (item.kind == ItemKind::Group || item.kind == ItemKind::GroupTitle) {
            CreateControl(item);
        }
    }
    for (const TemplateItem& item : m_tables.controls) {
        if (item.kind != ItemKind::Group && item.kind != ItemKind::GroupTitle) {
            CreateControl(item);
        }
    }

    // 1. The graph: the page's own, or the parent's (which set it up itself).
    const GraphSetup& g = m_tables.graph;
    if (g.id != 0) {
        m_graph = dynamic_cast<CCFStatic*>(Control(g.id));
        if (m_graph != nullptr) {
            m_graph->InitGraph();
            m_graph->SetOwner(this);
            m_graph->SetLayout(g.layout);
            m_graph->SetChannel(g.channel);
        }
    } else {
        m_graph = sharedGraph;
    }

    // 2. and 3. The band strips and their scroller.
    const StripSetup& s = m_tables.strips;
    if (s.count > 0) {
        m_strips = std::make_unique<CStripRow>(this, m_graph, s.count, g.channel, s.pitchX);
        auto* scroller = dynamic_cast<QSlider*>(Control(s.scroller));
        if (scroller != nullptr && s.firstBand != nullptr && s.lastBand != nullptr) {
            PageViewState& view = TheModel().settings.view;
            m_strips->AttachScroller(scroller, s.maxFirst, &(view.*s.firstBand), &(view.*s.lastBand),
                                     s.reindexUnchanged);
        }
    }

    // 4. and 5. Looks were given at creation; ranges, kinds and lists now (no values).
    BindSliders();
    BindCombos();
    ConfigureTextEdits();
    if (m_graph != nullptr) {
        UseCrossoversOf(g.channel);
    }
}

QWidget* CBoundPage::CreateControl(const TemplateItem& item) {
    const QRect rect = PixelRect(item.rect);
    const QString caption = item.caption != nullptr ? QString::fromUtf8(item.caption) : QString();
    QWidget* w = nullptr;
    switch (item.kind) {
    case ItemKind::Label:
    case ItemKind::Title: {
        auto* label = new CFontStatic(this);
        label->SetTextHeight(kDialogFontPixels);
        if (item.kind == ItemKind::Title) {
            label->SetTextColour(QColor::fromRgb(skin::kSlate));
        }
        label->SetText(caption);
        w = label;
        break;
    }
    case ItemKind::Group:
    case ItemKind::GroupTitle: {
        auto* group = new CGroupFrame(this, item.kind == ItemKind::Group);
        group->SetText(caption);
        w = group;
        break;
    }
    case ItemKind::Slider: {
        auto* slider = new CBitmapSlider(this, item.id);
        slider->SetBitmapChannel(IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL_ACTIVE);
        slider->SetBitmapThumb(IDB_SLIDER_THUMB);
        slider->move(rect.topLeft()); // the channel bitmap gives the size
        w = slider;
        break;
    }
    case ItemKind::VSlider: {
        // The band strip's gain slider skin: the same 22 × 66 slot, the same look on every page.
        auto* slider = new CBitmapSlider(this, item.id);
        slider->SetBitmapChannel(IDB_STRIP_CHANNEL, IDB_STRIP_CHANNEL, false);
        slider->SetBitmapThumb(IDB_STRIP_THUMB, IDB_STRIP_THUMB, true, kKeyFromPixel, 0, 0);
        slider->SetVertical(true);
        const skin::SliderMargins& m = skin::kStripSliderMargins;
        slider->SetMargin(m.left, m.top, m.right, m.bottom);
        slider->move(rect.topLeft());
        w = slider;
        break;
    }
    case ItemKind::Display: {
        auto* display = new CEdit_Static(this);
        display->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
        w = display;
        break;
    }
    case ItemKind::NumEdit:
        w = new CNumEdit(this, item.id);
        break;
    case ItemKind::TextEdit:
        w = new CEnglishEdit(this, item.id);
        break;
    case ItemKind::Combo:
        w = new QComboBox(this);
        break;
    case ItemKind::Button:
    case ItemKind::SignButton:
    case ItemKind::SelectorButton:
    case ItemKind::SwitchButton: {
        auto* button = new CBitButton(this, item.id);
        button->SetLook(LookOf(item.kind));
        button->setText(caption);
        const int id = item.id;
        connect(button, &QAbstractButton::clicked, this, [this, id] { Clicked(id); });
        w = button;
        break;
    }
    case ItemKind::Scroller: {
        auto* scroller = new QSlider(Qt::Horizontal, this);
        scroller->setTickPosition(QSlider::TicksBelow);
        scroller->setTickInterval(1);
        w = scroller;
        break;
    }
    case ItemKind::Graph:
        w = new CCFStatic(this);
        break;
    case ItemKind::Meter: {
        auto* meter = new CSLamp(this);
        // Standing on the bottom of its rectangle, at a height where all its segments show.
        const int h = CSLamp::FittingHeight(rect.height());
        meter->setGeometry(rect.x(), rect.bottom() + 1 - h, rect.width(), h);
        meter->AllOff();
        w = meter;
        break;
    }
    }
    w->setObjectName(QStringLiteral("control%1").arg(item.id));
    if (!IsSliderKind(item.kind) && item.kind != ItemKind::Meter) {
        w->setGeometry(rect);
    }
    m_controls.emplace_back(item.id, w);
    m_kinds.emplace_back(item.id, item.kind);
    return w;
}

void CBoundPage::BindSliders() {
    for (const SliderBinding& b : m_tables.sliders) {
        const Conversion& c = ConversionOf(b.conversion);
        if (CBitmapSlider* s = Slider(b.slider)) {
            s->SetRange(c.min, c.max);
        }
        if (CEdit_Static* d = Display(b.partner)) {
            d->Configure(c);
        } else if (CNumEdit* e = NumEdit(b.partner)) {
            e->Configure(c);
            e->SetPartnerSlider(Slider(b.slider));
        }
        if (CEdit_Static* also = Display(b.alsoShownIn); also != nullptr && b.alsoShownAs != Conv::Count) {
            also->Configure(ConversionOf(b.alsoShownAs));
        }
    }
}

void CBoundPage::BindCombos() {
    for (const ComboBinding& b : m_tables.combos) {
        QComboBox* box = Combo(b.combo);
        if (box == nullptr) {
            continue;
        }
        if (!b.items.empty()) {
            box->clear();
            for (const char* item : b.items) {
                box->addItem(QString::fromUtf8(item));
            }
        }
        const int id = b.combo;
        // Only the user's choice is an edit; setting the selection from the model sends nothing.
        connect(box, &QComboBox::activated, this, [this, id](int index) { ComboChosen(id, index); });
    }
}

void CBoundPage::ConfigureTextEdits() {
    for (const TextEditSetup& t : m_tables.textEdits) {
        CEnglishEdit* edit = TextEdit(t.id);
        if (edit == nullptr) {
            continue;
        }
        edit->setMaxLength(t.maxLength);
        if (t.password) {
            edit->setEchoMode(QLineEdit::Password);
        }
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Disabled, QPalette::Base,
                     QColor::fromRgb(skin::kFace)); // shut edits look shut
        edit->setPalette(pal);
        if (t.digitsOnly) {
            // Digits are single-byte text: this validator keeps the edit's own rule as well.
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
    }
}

// ------------------------------------------------------------------------------------- checking tables

void CBoundPage::CheckId(const char* table, int id, bool (*accepts)(ItemKind), const char* wanted) {
    const auto it =
        std::find_if(m_kinds.begin(), m_kinds.end(), [id](const auto& k) { return k.first == id; });
    std::string fault;
    if (it == m_kinds.end()) {
        fault = std::string(table) + ": id " + std::to_string(id) + " names no control of the template";
    } else if (!accepts(it->second)) {
        fault = std::string(table) + ": id " + std::to_string(id) + " is not " + wanted;
    } else {
        return;
    }
    m_tableFaults.push_back(fault);
    g_tableFaultHandler(fault);
}

void CBoundPage::CheckTables() {
    // The kinds are known before any control exists.
    for (const TemplateItem& item : m_tables.controls) {
        if (std::any_of(m_kinds.begin(), m_kinds.end(), [&](const auto& k) { return k.first == item.id; })) {
            const std::string fault = "template: id " + std::to_string(item.id) + " appears twice";
            m_tableFaults.push_back(fault);
            g_tableFaultHandler(fault);
        }
        m_kinds.emplace_back(item.id, item.kind);
    }
    for (const SliderBinding& b : m_tables.sliders) {
        if (b.slider != 0) { // 0: an edit without a slider
            CheckId("sliders", b.slider, &AnySlider, "a slider");
        }
        CheckId("sliders", b.partner, &SliderPartner, "a value display or numeric edit");
        if (b.alsoShownIn != 0) {
            CheckId("sliders", b.alsoShownIn, &DisplayKind, "a value display");
        }
    }
    for (const ComboBinding& b : m_tables.combos) {
        CheckId("combos", b.combo, &ComboKind, "a combo box");
    }
    for (const ToggleBinding& b : m_tables.toggles) {
        CheckId("toggles", b.button, &AnyButton, "a button");
    }
    for (const TextEditSetup& t : m_tables.textEdits) {
        CheckId("text edits", t.id, &TextEditKind, "a text edit");
    }
    for (const PageText& t : m_tables.texts) {
        CheckId("texts", t.id, &Captioned, "a captioned control");
    }
    for (const PageText& t : m_tables.modeTexts) {
        CheckId("mode texts", t.id, &Captioned, "a captioned control");
    }
    for (int id : m_tables.expert) {
        CheckId("expert controls", id, &AnyControl, "a control");
    }
    if (m_tables.graph.id != 0) {
        CheckId("graph", m_tables.graph.id, &GraphKind, "a graph");
    }
    if (m_tables.strips.scroller != 0) {
        CheckId("strips", m_tables.strips.scroller, &ScrollerKind, "a band scroller");
    }
    const ChannelSetup& c = m_tables.channels;
    for (const ChannelChoice& choice : c.choices) {
        CheckId("channels", choice.button, &AnyButton, "a button");
    }
    if (c.linkButton != 0) {
        CheckId("channels", c.linkButton, &AnyButton, "a button");
    }
    if (m_tables.eqResetButton != 0) {
        CheckId("EQ reset", m_tables.eqResetButton, &AnyButton, "a button");
    }
    m_kinds.clear(); // refilled as the controls are made
}

// --------------------------------------------------------------------------------------------- lookup

QWidget* CBoundPage::Control(int id) const {
    for (const auto& [cid, w] : m_controls) {
        if (cid == id) {
            return w;
        }
    }
    return nullptr;
}

ItemKind CBoundPage::KindOf(int id) const {
    for (const auto& [cid, kind] : m_kinds) {
        if (cid == id) {
            return kind;
        }
    }
    return ItemKind::Label;
}

CBitmapSlider* CBoundPage::Slider(int id) const {
    return dynamic_cast<CBitmapSlider*>(Control(id));
}
CEdit_Static* CBoundPage::Display(int id) const {
    return dynamic_cast<CEdit_Static*>(Control(id));
}
CNumEdit* CBoundPage::NumEdit(int id) const {
    return dynamic_cast<CNumEdit*>(Control(id));
}
QComboBox* CBoundPage::Combo(int id) const {
    return dynamic_cast<QComboBox*>(Control(id));
}
CBitButton* CBoundPage::Button(int id) const {
    return dynamic_cast<CBitButton*>(Control(id));
}
CFontStatic* CBoundPage::Label(int id) const {
    return dynamic_cast<CFontStatic*>(Control(id));
}
CEnglishEdit* CBoundPage::TextEdit(int id) const {
    return dynamic_cast<CEnglishEdit*>(Control(id));
}
CSLamp* CBoundPage::MeterControl(int id) const {
    return dynamic_cast<CSLamp*>(Control(id));
}

QString CBoundPage::Text(int id) const {
    QWidget* w = Control(id);
    if (auto* label = dynamic_cast<CFontStatic*>(w)) {
        return label->Text();
    }
    if (auto* group = dynamic_cast<CGroupFrame*>(w)) {
        return group->Text();
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* edit = dynamic_cast<QLineEdit*>(w)) {
        return edit->text();
    }
    if (auto* display = dynamic_cast<CEdit_Static*>(w)) {
        return display->Text();
    }
    if (auto* combo = dynamic_cast<QComboBox*>(w)) {
        return combo->currentText();
    }
    return {};
}

// ------------------------------------------------------------------------------------ records, channels

const ChannelChoice* CBoundPage::ChoiceOf(int eqChannel) const {
    for (const ChannelChoice& c : Channels().choices) {
        if (c.eqChannel == eqChannel) {
            return &c;
        }
    }
    return nullptr;
}

std::uint8_t* CBoundPage::LinkByte() const {
    const ChannelSetup& c = Channels();
    ProgramImage& img = TheModel().image;
    if (c.linkByte != nullptr) {
        return &(img.*c.linkByte);
    }
    return c.linkOffset != kNoRecord ? reinterpret_cast<std::uint8_t*>(&img) + c.linkOffset : nullptr;
}

bool CBoundPage::Linked() const {
    const std::uint8_t* link = LinkByte();
    return link != nullptr && *link != 0;
}

int* CBoundPage::Selection() const {
    const ChannelSetup& c = Channels();
    if (c.selectionOf != nullptr) {
        return &c.selectionOf();
    }
    return c.selection != nullptr ? &(TheModel().settings.view.*c.selection) : nullptr;
}

int CBoundPage::EditedChannel() const {
    const ChannelSetup& c = Channels();
    if (c.choices.empty()) {
        return m_tables.graph.channel;
    }
    const int* selection = Selection();
    if (Linked() || selection == nullptr) {
        return c.choices.front().eqChannel;
    }
    return *selection;
}

std::uint8_t* CBoundPage::EditedRecord() {
    const ChannelChoice* choice = ChoiceOf(EditedChannel());
    if (choice == nullptr || choice->record.offset == kNoRecord) {
        return nullptr;
    }
    return reinterpret_cast<std::uint8_t*>(&TheModel().image) + choice->record.offset;
}

std::uint8_t* CBoundPage::SharedRecord() {
    const std::size_t shared = Channels().sharedRecord.offset;
    return shared == kNoRecord ? EditedRecord() : reinterpret_cast<std::uint8_t*>(&TheModel().image) + shared;
}

void CBoundPage::UseCrossoversOf(int eqChannel) {
    CKTVEQ* c = ShownCollection(eqChannel);
    const bool crossovers = c != nullptr && c->HighPassIndex() >= 0;
    m_highPass = crossovers ? c->GetHighPass() : nullptr;
    m_lowPass = crossovers ? c->GetLowPass() : nullptr;
    m_highPassIndex = crossovers ? c->HighPassIndex() : -1;
    m_lowPassIndex = crossovers ? c->LowPassIndex() : -1;
}

// --------------------------------------------------------------------------------------------- fields

std::uint8_t* CBoundPage::Base(FieldBase base) {
    switch (base) {
    case FieldBase::Edited:
        return EditedRecord();
    case FieldBase::Shared:
        return SharedRecord();
    case FieldBase::System:
        return reinterpret_cast<std::uint8_t*>(&TheModel().system);
    case FieldBase::Partner:
        return PartnerRecord();
    default:
        return nullptr;
    }
}

CFilter* CBoundPage::FilterOf(const Field& f) const {
    switch (f.base) {
    case FieldBase::HighPass:
        return m_highPass;
    case FieldBase::LowPass:
        return m_lowPass;
    case FieldBase::Band: {
        CKTVEQ* c = ShownCollection(EditedChannel());
        const int band = static_cast<int>(f.offset);
        return c != nullptr && band < c->BandCount() ? &c->At(band) : nullptr;
    }
    default:
        return nullptr;
    }
}

int CBoundPage::RedrawIndex(int /*controlId*/, const Field& f) const {
    switch (f.base) {
    case FieldBase::HighPass:
        return m_highPassIndex;
    case FieldBase::LowPass:
        return m_lowPassIndex;
    default:
        return static_cast<int>(f.offset);
    }
}

std::optional<FieldAt> CBoundPage::RecordFieldAt(const Field& f) {
    const std::uint8_t* rec = Base(f.base);
    if (rec == nullptr) {
        return std::nullopt;
    }
    const Storage storage = f.form == FieldForm::Word         ? Storage::Word
                            : f.form == FieldForm::HighNibble ? Storage::HighNibble
                            : f.form == FieldForm::LowNibble  ? Storage::LowNibble
                                                              : Storage::Byte;
    return FieldAtAddress(TheModel(), rec + f.offset, storage);
}

int CBoundPage::ReadField(const Field& f) {
    if (f.base == FieldBase::HighPass || f.base == FieldBase::LowPass || f.base == FieldBase::Band) {
        CFilter* x = FilterOf(f);
        if (x == nullptr) {
            return 0;
        }
        if (const FilterRecord* r = x->CrossoverRecord()) {
            return f.form == FieldForm::Slope ? r->slope : r->freq.get();
        }
        const EqBand* band = x->BandRecord();
        if (band == nullptr) {
            return 0;
        }
        switch (f.form) {
        case FieldForm::Gain:
            return band->gain;
        case FieldForm::Q:
            return band->q;
        case FieldForm::Type:
            return band->type;
        default:
            return band->freq.get();
        }
    }
    const std::optional<FieldAt> at = RecordFieldAt(f);
    return at ? kel::ReadField(TheModel(), *at) : 0;
}

void CBoundPage::WriteField(const Field& f, int value, int controlId) {
    if (f.base == FieldBase::HighPass || f.base == FieldBase::LowPass || f.base == FieldBase::Band) {
        CFilter* x = FilterOf(f);
        if (x == nullptr) {
            return;
        }
        // The filter object stores the index into its record and recomputes the curve.
        switch (f.form) {
        case FieldForm::Slope:
            x->SetSlope(value);
            break;
        case FieldForm::Gain:
            x->SetGainIndex(value);
            break;
        case FieldForm::Q:
            x->SetQIndex(value);
            break;
        case FieldForm::Type:
            x->SetType(value);
            break;
        default:
            if (f.base == FieldBase::Band) {
                x->SetFrequencyIndex(value);
            } else {
                x->SetCrossoverFrequencyIndex(value);
            }
            break;
        }
        if (m_graph != nullptr) {
            m_graph->Redraw(RedrawIndex(controlId, f));
        }
        return;
    }
    if (const std::optional<FieldAt> at = RecordFieldAt(f)) {
        EditField(TheModel(), *at, value);
    }
}

// ------------------------------------------------------------------------------------------ edit paths

namespace {

int SliderValue(const CBitmapSlider& s, bool inverted) {
    return inverted ? s.GetPosInverted() : s.GetPos();
}

void SetSliderValue(CBitmapSlider& s, int v, bool inverted) {
    if (inverted) {
        s.SetPosInverted(v);
    } else {
        s.SetPos(v);
    }
}

} // namespace

void CBoundPage::ShowAlso(const SliderBinding& b, int v) {
    if (CEdit_Static* also = Display(b.alsoShownIn)) {
        also->SetValue(v);
    }
}

bool CBoundPage::SliderEdited(int id) {
    for (const SliderBinding& b : m_tables.sliders) {
        if (b.slider != id) {
            continue;
        }
        CBitmapSlider* s = Slider(b.slider);
        if (s == nullptr) {
            return false;
        }
        // The position is read from the slider (the message's own copy may be older).
        const int v = SliderValue(*s, b.inverted);
        if (CEdit_Static* d = Display(b.partner)) {
            d->SetValue(v);
        } else if (CNumEdit* e = NumEdit(b.partner)) {
            e->SetPos(v);
        }
        ShowAlso(b, v);
        WriteField(b.field, v * b.scale, b.slider);
        return true;
    }
    return false;
}

bool CBoundPage::NumEditEdited(int id) {
    for (const SliderBinding& b : m_tables.sliders) {
        if (b.partner != id) {
            continue;
        }
        CNumEdit* e = NumEdit(b.partner);
        if (e == nullptr) {
            return false;
        }
        const int v = e->GetPos();
        if (CBitmapSlider* s = Slider(b.slider)) {
            SetSliderValue(*s, v, b.inverted);
        }
        ShowAlso(b, v);
        WriteField(b.field, v * b.scale, b.partner);
        return true;
    }
    return false;
}

void CBoundPage::ComboChosen(int id, int index) {
    if (index < 0) {
        return;
    }
    for (const ComboBinding& b : m_tables.combos) {
        if (b.combo == id) {
            WriteField(b.field, index, b.combo);
            return;
        }
    }
}

bool CBoundPage::ToggleClicked(int id) {
    for (const ToggleBinding& b : m_tables.toggles) {
        if (b.button != id) {
            continue;
        }
        const int v = ReadField(b.field) == 0 ? 1 : 0;
        WriteField(b.field, v, b.button);
        if (CBitButton* button = Button(id)) {
            button->SetOn(v != 0);
        }
        if (b.redrawsGraph && m_graph != nullptr) {
            m_graph->Redraw(-1); // the graph shows the bypass state
        }
        return true;
    }
    return false;
}

void CBoundPage::Clicked(int id) {
    if (ToggleClicked(id)) {
        return;
    }
    const ChannelSetup& c = Channels();
    if (c.linkButton != 0 && id == c.linkButton) {
        ToggleLink();
        return;
    }
    for (const ChannelChoice& choice : c.choices) {
        if (choice.button == id) {
            SelectChannel(choice.eqChannel);
            return;
        }
    }
    if (m_tables.eqResetButton != 0 && id == m_tables.eqResetButton) {
        ResetEqOfChannel();
        return;
    }
    OnButton(id);
}

// -------------------------------------------------------------------------------------------- refresh

void CBoundPage::RefreshSlider(const SliderBinding& b) {
    // A value outside the range (a damaged file) is shown as the nearest end by both controls alike; the
    // record keeps what it holds until the user moves one of them.
    const Conversion& c = ConversionOf(b.conversion);
    const int v = std::clamp(ReadField(b.field) / b.scale, c.min, c.max);
    if (CBitmapSlider* s = Slider(b.slider)) {
        SetSliderValue(*s, v, b.inverted);
    }
    if (CEdit_Static* d = Display(b.partner)) {
        d->SetValue(v);
    } else if (CNumEdit* e = NumEdit(b.partner)) {
        e->SetPos(v);
    }
    ShowAlso(b, v);
}

void CBoundPage::RefreshBindings() {
    for (const SliderBinding& b : m_tables.sliders) {
        RefreshSlider(b);
    }
    for (const ComboBinding& b : m_tables.combos) {
        if (QComboBox* box = Combo(b.combo)) {
            const int v = ReadField(b.field);
            box->setCurrentIndex(v < box->count() ? v : -1); // a value outside the list shows no entry
        }
    }
    for (const ToggleBinding& b : m_tables.toggles) {
        if (CBitButton* button = Button(b.button)) {
            button->SetOn(ReadField(b.field) != 0);
        }
    }
}

void CBoundPage::RefreshBindings(FieldBase base, FieldForm form) {
    for (const SliderBinding& b : m_tables.sliders) {
        if (b.field.base == base && b.field.form == form) {
            RefreshSlider(b);
        }
    }
}

void CBoundPage::RefreshBand(int band) {
    const auto ofBand = [band](const Field& f) {
        return f.base == FieldBase::Band && f.offset == static_cast<std::size_t>(band);
    };
    for (const SliderBinding& b : m_tables.sliders) {
        if (ofBand(b.field)) {
            RefreshSlider(b);
        }
    }
    for (const ComboBinding& b : m_tables.combos) {
        QComboBox* box = Combo(b.combo);
        if (box != nullptr && ofBand(b.field)) {
            const int v = ReadField(b.field);
            box->setCurrentIndex(v < box->count() ? v : -1);
        }
    }
}

void CBoundPage::FollowLink() {
    int* selection = Selection();
    const ChannelSetup& c = Channels();
    if (selection == nullptr || c.choices.empty() || !Linked() || *selection == c.choices.front().eqChannel) {
        return;
    }
    // A program arrived linked while channel 2 was shown: linked, the page edits channel 1 only.
    *selection = c.choices.front().eqChannel;
    if (m_strips) {
        m_strips->Unhighlight();
        m_strips->SetChannel(*selection);
    }
}

void CBoundPage::Refresh() {
    FollowLink();
    if (m_strips) {
        m_strips->RefreshAll();
    }
    RefreshChannelButtons();
    if (m_graph != nullptr) {
        UseCrossoversOf(EditedChannel());
    }
    RefreshBindings();
    if (m_graph != nullptr && m_tables.graph.id != 0) {
        m_graph->SetChannel(EditedChannel());
    }
}

void CBoundPage::ApplyTexts(std::span<const PageText> texts) {
    const bool chinese = Chinese();
    for (const PageText& t : texts) {
        const QString text = QString::fromUtf8(chinese ? t.zh : t.en);
        QWidget* w = Control(t.id);
        if (auto* label = dynamic_cast<CFontStatic*>(w)) {
            label->SetText(text);
        } else if (auto* button = dynamic_cast<CBitButton*>(w)) {
            button->setText(text);
        } else if (auto* group = dynamic_cast<CGroupFrame*>(w)) {
            group->SetText(text);
        }
    }
}

void CBoundPage::ApplyLanguage() {
    ApplyTexts(m_tables.texts);
    ApplyTexts(m_tables.modeTexts);
}

void CBoundPage::ApplyExpert(std::span<const int> ids) {
    const bool full = TheModel().settings.operatingMode == 1;
    for (int id : ids) {
        if (CBitmapSlider* s = Slider(id)) {
            s->Enable(full);
        } else if (QWidget* w = Control(id)) {
            w->setEnabled(full);
        }
    }
}

void CBoundPage::ApplyMode() {
    ApplyExpert(m_tables.expert);
    ApplyTexts(m_tables.modeTexts);
}

// --------------------------------------------------------------------------------------- link, channels

void CBoundPage::ChannelSwitched() {
    if (m_strips) {
        m_strips->Unhighlight();
        m_strips->SetChannel(*Selection());
    }
    Refresh();
}

void CBoundPage::ToggleLink() {
    const ChannelSetup& c = Channels();
    int* selection = Selection();
    std::uint8_t* linkByte = LinkByte();
    if (linkByte == nullptr || selection == nullptr || c.choices.size() < 2) {
        return;
    }
    // One edit: the flag and the copy are never seen half done by the change detector.
    bool linked = false;
    EditTogether(TheModel(), [&](FieldWriter&) {
        std::uint8_t& link = *linkByte;
        link = link == 0 ? 1 : 0;
        linked = link != 0;
        if (!linked && c.syncCopy != nullptr) {
            c.syncCopy(); // channel 2 becomes channel 1 in image and shadow: nothing is sent for it
        }
    });
    if (linked && *selection != c.choices.front().eqChannel) {
        *selection = c.choices.front().eqChannel;
        ChannelSwitched();
    }
    RefreshChannelButtons();
}

void CBoundPage::SelectChannel(int eqChannel) {
    int* selection = Selection();
    if (selection == nullptr || *selection == eqChannel) {
        return;
    }
    *selection = eqChannel;
    ChannelSwitched();
}

void CBoundPage::RefreshChannelButtons() {
    const ChannelSetup& c = Channels();
    const int* selection = Selection();
    if (selection == nullptr) {
        return;
    }
    const bool linked = Linked();
    if (CBitButton* link = Button(c.linkButton)) {
        link->SetOn(linked);
    }
    for (const ChannelChoice& choice : c.choices) {
        if (CBitButton* b = Button(choice.button)) {
            b->setEnabled(!linked);
            b->SetOn(!linked && *selection == choice.eqChannel);
        }
    }
}

void CBoundPage::ResetEqOfChannel() {
    // Only the bands: crossovers, levels and dynamics stay.
    const int channel = EditedChannel();
    EditTogether(TheModel(), [channel](FieldWriter&) { ResetEq(channel); });
    if (m_strips) {
        m_strips->Reindex();
    }
    if (m_graph != nullptr) {
        m_graph->SetChannel(channel);
    }
}

// ------------------------------------------------------------------------------------------- messages

void CBoundPage::OnGraphBandEdited(int /*channel*/, int band) {
    if (m_graph == nullptr || m_graph->Collection() == nullptr) {
        return;
    }
    const CKTVEQ& c = *m_graph->Collection();
    const int n = c.BandCount();
    if (band == n && c.HighPassIndex() == n) {
        RefreshBindings(FieldBase::HighPass, FieldForm::Frequency);
    } else if (band == n + 1 && c.LowPassIndex() == n + 1) {
        RefreshBindings(FieldBase::LowPass, FieldForm::Frequency);
    } else if (band >= 0 && band < n && m_strips) {
        m_strips->ShowBand(band);
    }
}

void CBoundPage::OnStripBandEdited(int band) {
    if (m_strips) {
        m_strips->Highlight(band);
    }
}

void CBoundPage::OnMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case MSG_SLIDER_MOVING:
    case MSG_SLIDER_MOVED:
        SliderEdited(static_cast<int>(wParam));
        break;
    case MSG_NUMEDIT_CHANGED:
        NumEditEdited(static_cast<int>(lParam));
        break;
    case MSG_GRAPH_BAND_EDITED:
        OnGraphBandEdited(static_cast<int>(wParam), static_cast<int>(lParam));
        break;
    case MSG_STRIP_BAND_EDITED:
        OnStripBandEdited(static_cast<int>(lParam));
        break;
    default:
        break;
    }
    OnPageMessage(message, wParam, lParam);
}

} // namespace kel

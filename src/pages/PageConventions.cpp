// The page conventions: controls from a template, bound fields, the edit paths, refresh, texts, mode, links.
#include "pages/PageConventions.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "pages/StripRow.h"

#include <QComboBox>
#include <QSlider>

#include <algorithm>

namespace kel {

namespace {

QRect PixelRect(const PageRect& r) {
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

} // namespace

CBoundPage::CBoundPage(QWidget* parent, PageHost* host) : CPageBase(parent, host) {}

CBoundPage::~CBoundPage() = default;

// ------------------------------------------------------------------------------------------- creation

void CBoundPage::CreateControls(std::span<const TemplateItem> items) {
    for (const TemplateItem& item : items) {
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
        case ItemKind::Slider: {
            auto* slider = new CBitmapSlider(this, item.id);
            slider->SetBitmapChannel(IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL_ACTIVE);
            slider->SetBitmapThumb(IDB_SLIDER_THUMB);
            slider->move(rect.topLeft()); // the channel bitmap gives the size
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
        case ItemKind::Combo:
            w = new QComboBox(this);
            break;
        case ItemKind::Button: {
            auto* button = new CBitButton(this, item.id);
            button->SetLook(ButtonLook::Text);
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
            m_graph = new CCFStatic(this);
            w = m_graph;
            break;
        }
        w->setObjectName(QStringLiteral("control%1").arg(item.id));
        if (item.kind != ItemKind::Slider) {
            w->setGeometry(rect);
        }
        m_controls.emplace_back(item.id, w);
    }
}

void CBoundPage::BindSliders(std::span<const SliderBinding> bindings) {
    for (const SliderBinding& b : bindings) {
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
        m_sliders.push_back(b);
    }
}

void CBoundPage::BindCombos(std::span<const ComboBinding> bindings) {
    for (const ComboBinding& b : bindings) {
        if (QComboBox* box = Combo(b.combo)) {
            box->clear();
            for (const char* item : b.items) {
                box->addItem(QString::fromUtf8(item));
            }
            const int id = b.combo;
            // Only the user's choice is an edit; setting the selection from the model sends nothing.
            connect(box, &QComboBox::activated, this, [this, id](int index) { ComboChosen(id, index); });
        }
        m_combos.push_back(b);
    }
}

void CBoundPage::BindToggles(std::span<const ToggleBinding> bindings) {
    m_toggles.insert(m_toggles.end(), bindings.begin(), bindings.end());
}

void CBoundPage::InitGraph(int layout, int channel) {
    if (m_graph == nullptr) {
        return;
    }
    m_graph->InitGraph();
    m_graph->SetOwner(this);
    m_graph->SetLayout(layout);
    m_graph->SetChannel(channel);
}

void CBoundPage::CreateStrips(int count, int channel) {
    m_strips = std::make_unique<CStripRow>(this, m_graph, count, channel);
}

void CBoundPage::UseCrossoversOf(int eqChannel) {
    CKTVEQ* c = ShownCollection(eqChannel);
    m_highPass = c != nullptr ? c->GetHighPass() : nullptr;
    m_lowPass = c != nullptr ? c->GetLowPass() : nullptr;
    m_highPassIndex = c != nullptr ? c->HighPassIndex() : -1;
    m_lowPassIndex = c != nullptr ? c->LowPassIndex() : -1;
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

// --------------------------------------------------------------------------------------------- fields

std::uint8_t* CBoundPage::Base(FieldBase base) {
    switch (base) {
    case FieldBase::Edited:
        return EditedRecord();
    case FieldBase::Shared:
        return SharedRecord();
    case FieldBase::System:
        return reinterpret_cast<std::uint8_t*>(&TheModel().system);
    default:
        return nullptr;
    }
}

CFilter* CBoundPage::Crossover(FieldBase base) const {
    return base == FieldBase::HighPass ? m_highPass : base == FieldBase::LowPass ? m_lowPass : nullptr;
}

int CBoundPage::CrossoverIndex(FieldBase base) const {
    return base == FieldBase::HighPass ? m_highPassIndex : m_lowPassIndex;
}

int CBoundPage::ReadField(const Field& f) {
    if (CFilter* x = Crossover(f.base)) {
        const FilterRecord* r = x->CrossoverRecord();
        if (r == nullptr) {
            return 0;
        }
        return f.form == FieldForm::Slope ? r->slope : r->freq.get();
    }
    const std::uint8_t* rec = Base(f.base);
    if (rec == nullptr) {
        return 0;
    }
    switch (f.form) {
    case FieldForm::Word:
        return reinterpret_cast<const Le16*>(rec + f.offset)->get();
    case FieldForm::HighNibble:
        return rec[f.offset] >> 4;
    default:
        return rec[f.offset];
    }
}

void CBoundPage::WriteField(const Field& f, int value) {
    if (CFilter* x = Crossover(f.base)) {
        // The filter object stores the index into its record and recomputes the curve.
        if (f.form == FieldForm::Slope) {
            x->SetSlope(value);
        } else {
            x->SetCrossoverFrequencyIndex(value);
        }
        if (m_graph != nullptr) {
            m_graph->Redraw(CrossoverIndex(f.base));
        }
        return;
    }
    std::uint8_t* rec = Base(f.base);
    if (rec == nullptr) {
        return;
    }
    switch (f.form) {
    case FieldForm::Word:
        reinterpret_cast<Le16*>(rec + f.offset)->set(static_cast<std::uint16_t>(value));
        break;
    case FieldForm::HighNibble:
        rec[f.offset] = static_cast<std::uint8_t>((value << 4) | (rec[f.offset] & 0x0F));
        break;
    default:
        rec[f.offset] = static_cast<std::uint8_t>(value);
        break;
    }
}

// ------------------------------------------------------------------------------------------ edit paths

bool CBoundPage::SliderEdited(int id) {
    for (const SliderBinding& b : m_sliders) {
        if (b.slider != id) {
            continue;
        }
        CBitmapSlider* s = Slider(b.slider);
        if (s == nullptr) {
            return false;
        }
        // The position is read from the slider (the message's own copy may be older).
        const int v = s->GetPos();
        if (CEdit_Static* d = Display(b.partner)) {
            d->SetValue(v);
        } else if (CNumEdit* e = NumEdit(b.partner)) {
            e->SetPos(v);
        }
        WriteField(b.field, v);
        return true;
    }
    return false;
}

bool CBoundPage::NumEditEdited(int id) {
    for (const SliderBinding& b : m_sliders) {
        if (b.partner != id) {
            continue;
        }
        CNumEdit* e = NumEdit(b.partner);
        if (e == nullptr) {
            return false;
        }
        const int v = e->GetPos();
        if (CBitmapSlider* s = Slider(b.slider)) {
            s->SetPos(v);
        }
        WriteField(b.field, v);
        return true;
    }
    return false;
}

void CBoundPage::ComboChosen(int id, int index) {
    if (index < 0) {
        return;
    }
    for (const ComboBinding& b : m_combos) {
        if (b.combo == id) {
            WriteField(b.field, index);
            return;
        }
    }
}

bool CBoundPage::ToggleClicked(int id) {
    for (const ToggleBinding& b : m_toggles) {
        if (b.button != id) {
            continue;
        }
        const int v = ReadField(b.field) == 0 ? 1 : 0;
        WriteField(b.field, v);
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
    if (m_linkByte != nullptr) {
        if (id == m_link.linkButton) {
            ToggleLink();
            return;
        }
        if (id == m_link.channel1Button || id == m_link.channel2Button) {
            SelectChannel(id == m_link.channel1Button ? m_link.channel1 : m_link.channel2);
            return;
        }
    }
    OnButton(id);
}

// -------------------------------------------------------------------------------------------- refresh

void CBoundPage::RefreshSlider(const SliderBinding& b) {
    // A value outside the range (a damaged file) is shown as the nearest end by both controls alike; the
    // record keeps what it holds until the user moves one of them.
    const Conversion& c = ConversionOf(b.conversion);
    const int v = std::clamp(ReadField(b.field), c.min, c.max);
    if (CBitmapSlider* s = Slider(b.slider)) {
        s->SetPos(v);
    }
    if (CEdit_Static* d = Display(b.partner)) {
        d->SetValue(v);
    } else if (CNumEdit* e = NumEdit(b.partner)) {
        e->SetPos(v);
    }
}

void CBoundPage::RefreshBindings() {
    for (const SliderBinding& b : m_sliders) {
        RefreshSlider(b);
    }
    for (const ComboBinding& b : m_combos) {
        if (QComboBox* box = Combo(b.combo)) {
            box->setCurrentIndex(ReadField(b.field)); // a value outside the list shows no entry
        }
    }
    for (const ToggleBinding& b : m_toggles) {
        if (CBitButton* button = Button(b.button)) {
            button->SetOn(ReadField(b.field) != 0);
        }
    }
}

void CBoundPage::RefreshBindings(FieldBase base, FieldForm form) {
    for (const SliderBinding& b : m_sliders) {
        if (b.field.base == base && b.field.form == form) {
            RefreshSlider(b);
        }
    }
}

void CBoundPage::ApplyTexts(std::span<const PageText> texts) {
    const bool chinese = TheModel().settings.languageFlag != 0;
    for (const PageText& t : texts) {
        const QString text = QString::fromUtf8(chinese ? t.zh : t.en);
        if (CFontStatic* label = Label(t.id)) {
            label->SetText(text);
        } else if (CBitButton* button = Button(t.id)) {
            button->setText(text);
        }
    }
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

// --------------------------------------------------------------------------------------- link, channels

void CBoundPage::SetChannelLink(const ChannelLinkSpec& link, std::uint8_t* linkByte, int* selection) {
    m_link = link;
    m_linkByte = linkByte;
    m_selection = selection;
}

int CBoundPage::EditedChannel() const {
    if (m_linkByte == nullptr || m_selection == nullptr) {
        return m_link.channel1;
    }
    return *m_linkByte != 0 ? m_link.channel1 : *m_selection;
}

void CBoundPage::ChannelSwitched() {
    if (m_strips) {
        m_strips->Unhighlight();
        m_strips->SetChannel(*m_selection);
    }
    Refresh();
}

void CBoundPage::ToggleLink() {
    if (m_linkByte == nullptr) {
        return;
    }
    // The transmit thread must not compare while the flag and the copy are half done.
    ImageLockGuard lock(ImageLock());
    *m_linkByte = *m_linkByte == 0 ? 1 : 0;
    if (*m_linkByte != 0) {
        if (*m_selection == m_link.channel2) {
            *m_selection = m_link.channel1;
            ChannelSwitched();
        }
    } else {
        SyncCopy(); // channel 2 becomes channel 1 in image and shadow: nothing is sent for it
    }
    RefreshChannelButtons();
}

void CBoundPage::SelectChannel(int eqChannel) {
    if (m_selection == nullptr || *m_selection == eqChannel) {
        return;
    }
    *m_selection = eqChannel;
    ChannelSwitched();
}

void CBoundPage::RefreshChannelButtons() {
    if (m_linkByte == nullptr) {
        return;
    }
    const bool linked = *m_linkByte != 0;
    CBitButton* one = Button(m_link.channel1Button);
    CBitButton* two = Button(m_link.channel2Button);
    if (CBitButton* link = Button(m_link.linkButton)) {
        link->SetOn(linked);
    }
    for (CBitButton* b : {one, two}) {
        if (b != nullptr) {
            b->setEnabled(!linked);
        }
    }
    if (one != nullptr && two != nullptr) {
        one->SetOn(!linked && *m_selection == m_link.channel1);
        two->SetOn(!linked && *m_selection == m_link.channel2);
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
        OnPageMessage(message, wParam, lParam);
        break;
    }
}

} // namespace kel

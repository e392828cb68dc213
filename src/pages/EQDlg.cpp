// The band strip: binding to a band's filter object, edits through the filter's setters, reports to the page.
#include "pages/EQDlg.h"

#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/EnterFocus.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "controls/Skin.h"

#include <QComboBox>

#include <array>

namespace kel {

namespace {

struct StripItem {
    int id;
    int x, y, w, h; // dialog units
};

// The template's rectangles; the type list is given its closed height (its 132 units include the list).
constexpr std::array<StripItem, 6> kStripTemplate = {{
    {CEQDlg::IDC_TITLE, 0, 1, 25, 10},
    {CEQDlg::IDC_TYPE, 0, 12, 25, 12},
    {CEQDlg::IDC_GAIN, 0, 26, 25, 12},
    {CEQDlg::IDC_GAIN_SLIDER, 0, 42, 22, 66},
    {CEQDlg::IDC_FREQ, 0, 112, 25, 12},
    {CEQDlg::IDC_Q, 0, 126, 25, 12},
}};

// Band types 0..3 in the order of the list.
constexpr std::array<const char*, 4> kTypeItems = {"BY", "P", "LS", "HS"};

// Gain slider: channel 138, thumb 137 keyed on its top-left pixel, used inverted (top = +12 dB); its
// margins are the skin's kStripSliderMargins.

QRect ItemRect(int id) {
    for (const StripItem& item : kStripTemplate) {
        if (item.id == id) {
            return DialogUnits::Get().Rect(item.x, item.y, item.w, item.h);
        }
    }
    return {};
}

} // namespace

struct EqDlgMessages {
    static constexpr std::array<MessageEntry<CEQDlg>, 3> kTable = {{
        {MSG_NUMEDIT_CHANGED, &CEQDlg::OnNumEdit},
        {MSG_SLIDER_MOVING, &CEQDlg::OnSlider},
        {MSG_SLIDER_MOVED, &CEQDlg::OnSlider},
    }};
};

void CEQDlg::SliderLink::SetPosInverted(int gainIndex) {
    m_strip.m_slider->SetPosInverted(gainIndex);
}

CEQDlg::CEQDlg(QWidget* parent) : QWidget(parent) {
    resize(DialogUnits::Get().Size(kWidthDlu, kHeightDlu));
    // Enter and Escape take the focus to the strip: an edit commits, the strip never closes.
    TakeFocusOnEnter(this);

    m_title = new CFontStatic(this);
    m_title->setGeometry(ItemRect(IDC_TITLE));
    m_title->SetTextHeight(kDialogFontPixels);
    m_title->SetAlignment(Qt::AlignHCenter);

    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("type%1").arg(IDC_TYPE));
    m_type->setGeometry(ItemRect(IDC_TYPE));
    for (const char* item : kTypeItems) {
        m_type->addItem(QString::fromLatin1(item));
    }
    connect(m_type, &QComboBox::activated, this, [this](int index) { OnTypeChosen(index); });

    const Conversion& gain = ConversionOf(Conv::BandGain);
    m_gain = new CNumEdit(this, IDC_GAIN);
    m_gain->setGeometry(ItemRect(IDC_GAIN));
    m_gain->Configure(gain);

    m_slider = new CBitmapSlider(this, IDC_GAIN_SLIDER);
    m_slider->move(ItemRect(IDC_GAIN_SLIDER).topLeft());
    m_slider->SetBitmapChannel(IDB_STRIP_CHANNEL, IDB_STRIP_CHANNEL, false);
    m_slider->SetBitmapThumb(IDB_STRIP_THUMB, IDB_STRIP_THUMB, true, kKeyFromPixel, 0, 0);
    m_slider->SetVertical(true);
    m_slider->SetRange(gain.min, gain.max);
    const skin::SliderMargins& margins = skin::kStripSliderMargins;
    m_slider->SetMargin(margins.left, margins.top, margins.right, margins.bottom);
    m_gain->SetPartnerSlider(m_slider);

    m_freq = new CNumEdit(this, IDC_FREQ);
    m_freq->setGeometry(ItemRect(IDC_FREQ));
    m_freq->Configure(ConversionOf(Conv::BandFreq));

    m_q = new CNumEdit(this, IDC_Q);
    m_q->setGeometry(ItemRect(IDC_Q));
    m_q->Configure(ConversionOf(Conv::BandQ));

    for (CNumEdit* edit : {m_gain, m_freq, m_q}) {
        edit->setAlignment(Qt::AlignHCenter);
    }
}

CEQDlg::~CEQDlg() {
    Bind(nullptr); // the filter outlives the strip: it must not keep moving this slider
}

void CEQDlg::Bind(CFilter* filter) {
    if (m_filter != nullptr && m_filter != filter) {
        m_filter->SetGainSlider(nullptr); // the band this strip showed before no longer moves its slider
    }
    m_filter = filter;
    if (m_filter != nullptr) {
        m_filter->SetGainSlider(&m_link);
    }
}

void CEQDlg::SetChannel(int eqChannel, bool rebind) {
    m_channel = eqChannel;
    if (!rebind) {
        return;
    }
    CKTVEQ* c = ShownCollection(eqChannel);
    if (c == nullptr || m_index < 0 || m_index >= c->BandCount()) {
        return;
    }
    Bind(&c->At(m_index));
    Refresh();
}

void CEQDlg::SetIndex(int index) {
    m_index = index;
    CKTVEQ* c = ShownCollection(m_channel);
    if (c == nullptr || index < 0 || index >= c->BandCount()) {
        return; // no channel yet (or no such band): no title, no binding
    }
    Bind(&c->At(index));
    m_title->SetText(QString::number(index + 1));
    Refresh();
}

void CEQDlg::Refresh() {
    if (m_filter == nullptr || m_filter->BandRecord() == nullptr) {
        return;
    }
    const EqBand& band = *m_filter->BandRecord();
    m_type->setCurrentIndex(m_filter->Type()); // a type the device does not know shows as "BY"
    m_gain->SetPos(band.gain);
    m_slider->SetPosInverted(band.gain);
    m_freq->SetPos(band.freq.get());
    m_q->SetPos(band.q);
}

void CEQDlg::RefreshAndFocus() {
    Refresh();
    m_gain->setFocus(Qt::OtherFocusReason);
}

void CEQDlg::SetTitleColour(const QColor& colour) {
    m_title->SetTextColour(colour);
    m_title->repaint(); // at once, so the marked strip follows the pointer
}

void CEQDlg::customEvent(QEvent* event) {
    if (!DispatchMessage(this, EqDlgMessages::kTable, event)) {
        QWidget::customEvent(event);
    }
}

void CEQDlg::Edited() {
    SendMessageTo(parentWidget(), MSG_STRIP_BAND_EDITED, 0, m_index);
    if (m_graph != nullptr) {
        m_graph->Redraw(m_index);
    }
}

void CEQDlg::OnTypeChosen(int index) {
    if (m_filter == nullptr || index < 0) {
        return;
    }
    m_lastType = index;
    m_filter->SetType(index);
    Edited();
}

void CEQDlg::OnNumEdit(std::intptr_t, std::intptr_t controlId) {
    if (m_filter == nullptr) {
        return;
    }
    switch (controlId) {
    case IDC_GAIN:
        m_lastGain = m_gain->GetPos();
        m_filter->SetGainIndex(m_lastGain);
        m_slider->SetPosInverted(m_lastGain);
        break;
    case IDC_FREQ:
        m_lastFreq = m_freq->GetPos();
        m_filter->SetFrequencyIndex(m_lastFreq);
        break;
    case IDC_Q:
        m_lastQ = m_q->GetPos();
        m_filter->SetQIndex(m_lastQ);
        break;
    default:
        return;
    }
    Edited();
}

void CEQDlg::OnSlider(std::intptr_t controlId, std::intptr_t) {
    if (m_filter == nullptr || controlId != IDC_GAIN_SLIDER) {
        return;
    }
    m_lastGain = m_slider->GetPosInverted();
    m_filter->SetGainIndex(m_lastGain);
    m_gain->SetPos(m_lastGain);
    PostMessageTo(parentWidget(), MSG_STRIP_BAND_EDITED, 0, m_index);
    m_gain->setFocus(Qt::OtherFocusReason);
    if (m_graph != nullptr) {
        m_graph->Redraw(m_index);
    }
}

} // namespace kel

// The effect page: selectors, the shared graph and the two sub-pages.
#include "pages/Effect_Dlg.h"

#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/MessageEvent.h"
#include "pages/Echo_Dlg.h"
#include "pages/Rev_Dlg.h"

#include <array>

namespace kel {

namespace {

using F = CEffect_Dlg;

// The template (dialog 146), 785 × 359 dialog units; the sub-pages cover the part right of the selectors
// and above the graph.
constexpr auto kTemplate = std::to_array<TemplateItem>({
    {F::IDC_ECHO_A, ItemKind::SelectorButton, {4, 48, 50, 14}, "回声A"},
    {F::IDC_ECHO_B, ItemKind::SelectorButton, {4, 64, 50, 14}, "回声B"},
    {F::IDC_REVERB, ItemKind::SelectorButton, {4, 80, 50, 14}, "混响"},
    {F::IDC_GRAPH, ItemKind::Graph, {6, 176, 706, 164}},
});

constexpr auto kTexts = std::to_array<PageText>({
    {F::IDC_ECHO_A, "回声A", "EchoA"},
    {F::IDC_ECHO_B, "回声B", "EchoB"},
    {F::IDC_REVERB, "混响", "Reverb"},
});

// The selectors choose the effect; there is no link.
constexpr auto kEffects = std::to_array<ChannelChoice>({
    {F::IDC_ECHO_A, EQ_ECHO_A},
    {F::IDC_ECHO_B, EQ_ECHO_B},
    {F::IDC_REVERB, EQ_REVERB},
});

const PageTables kTables = {
    .controls = kTemplate,
    .texts = kTexts,
    .graph = {F::IDC_GRAPH, EQ_LAYOUT_EFFECT, EQ_ECHO_A},
    .channels = {.choices = kEffects, .selection = &PageViewState::effect},
};

bool IsEcho(int effect) {
    return effect == EQ_ECHO_A || effect == EQ_ECHO_B;
}

} // namespace

CEffect_Dlg::CEffect_Dlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {
    const QSize size = DialogUnits::Get().Size(effect::kSubPageW, effect::kSubPageH);
    m_echo = new CEcho_Dlg(this, host, Graph());
    m_echo->setGeometry(effect::kSubPageX, 0, size.width(), size.height());
    m_echo->hide();
    m_reverb = new CRev_Dlg(this, host, Graph());
    m_reverb->setGeometry(effect::kSubPageX, 0, size.width(), size.height());
    m_reverb->hide();
}

void CEffect_Dlg::Refresh() {
    // The graph keeps the channel of the last selection.
    RefreshChannelButtons();
    const bool echo = IsEcho(EditedChannel());
    m_reverb->setVisible(!echo);
    m_echo->setVisible(echo);
    if (echo) {
        m_echo->Refresh();
    } else {
        m_reverb->Refresh();
    }
    Graph()->Redraw(-1);
}

void CEffect_Dlg::ApplyLanguage() {
    CBoundPage::ApplyLanguage();
    m_echo->ApplyLanguage();
    m_reverb->ApplyLanguage();
}

void CEffect_Dlg::ApplyMode() {
    m_echo->ApplyMode();
    m_reverb->ApplyMode();
}

void CEffect_Dlg::ChannelSwitched() {
    const int effect = EditedChannel();
    if (IsEcho(effect)) {
        m_echo->SelectEcho();
    }
    Graph()->SetChannel(effect);
    Refresh();
}

void CEffect_Dlg::OnGraphBandEdited(int channel, int band) {
    if (IsEcho(channel)) {
        SendMessageTo(m_echo, MSG_GRAPH_BAND_EDITED, channel, band);
    } else if (channel == EQ_REVERB) {
        SendMessageTo(m_reverb, MSG_GRAPH_BAND_EDITED, channel, band);
    }
}

} // namespace kel

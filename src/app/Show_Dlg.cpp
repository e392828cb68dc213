// The progress dialog: its forms, its two timers and the pauses before it hides.
#include "app/Show_Dlg.h"

#include "app/TarnLayout.h"
#include "app/Texts.h"
#include "controls/DialogUnits.h"
#include "controls/TimerMs.h"
#include "model/Model.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

namespace kel {

namespace {
QRect DluRect(const tarn::DluRect& r) {
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}
} // namespace

CShow_Dlg::CShow_Dlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_owner(owner) {
    setWindowModality(Qt::WindowModal);
    setFixedSize(DluRect(tarn::kShowDlgSize).size());
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text1413"));
    m_text->setGeometry(DluRect(tarn::kShowDlgText));
    m_text->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress1411"));
    m_bar->setGeometry(DluRect(tarn::kShowDlgBar));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_busyTimer.setInterval(TimerMs(timing::kBusyTimer));
    m_lookupTimer.setInterval(TimerMs(timing::kLookupTimer));
    m_delay.setSingleShot(true);
    connect(&m_busyTimer, &QTimer::timeout, this, [this] { OnBusyTimer(); });
    connect(&m_lookupTimer, &QTimer::timeout, this, [this] { OnLookupTimer(); });
}

void CShow_Dlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

bool CShow_Dlg::TextShown() const {
    return !m_text->isHidden();
}

bool CShow_Dlg::BarShown() const {
    return !m_bar->isHidden();
}

QString CShow_Dlg::Text() const {
    return m_text->text();
}

int CShow_Dlg::BarValue() const {
    return m_bar->value();
}

int CShow_Dlg::BarMaximum() const {
    return m_bar->maximum();
}

void CShow_Dlg::SetOwnerDisabled(bool disabled) {
    m_ownerDisabled = disabled;
}

void CShow_Dlg::CentreOnOwner() {
    if (m_owner == nullptr) {
        return;
    }
    const QPoint centre = m_owner->mapToGlobal(m_owner->rect().center());
    move(centre - QPoint(width() / 2, height() / 2));
}

void CShow_Dlg::ShowForm() {
    m_delay.stop(); // a new form cancels a pending hide
    show();
}

void CShow_Dlg::ShowLookup() {
    m_text->setText(texts::Pick(texts::kLookupText));
    setWindowTitle(texts::Pick(texts::kLookupCaption));
    m_bar->hide();
    m_bar->setValue(0);
    m_text->show();
    CentreOnOwner();
    SetOwnerDisabled(true);
    m_lookupTimer.start();
    ShowForm();
}

void CShow_Dlg::EndLookup() {
    m_delay.stop();
    m_bar->setValue(0);
    SetOwnerDisabled(false);
    m_lookupTimer.stop();
    hide();
}

void CShow_Dlg::BeginProgress(int total) {
    m_total = total;
    m_bar->show();
    m_text->hide();
    m_bar->setRange(0, total);
    m_bar->setValue(0);
    CentreOnOwner();
    SetOwnerDisabled(true);
    setWindowTitle(texts::Pick(texts::kTransferCaption));
    ShowForm();
}

void CShow_Dlg::StepProgress(int position) {
    m_bar->setValue(position);
    if (position == m_total) {
        SetOwnerDisabled(false);
        m_lookupTimer.stop(); // the lookup form it replaced is gone too
        hide();
    }
}

void CShow_Dlg::ShowBusy() {
    m_text->setText(texts::Pick(texts::kBusyText));
    setWindowTitle(texts::Pick(texts::kTransferCaption));
    m_bar->hide();
    m_text->show();
    SetOwnerDisabled(true);
    m_busyTimer.start();
    ShowForm();
}

void CShow_Dlg::Hide() {
    m_delay.stop();
    SetOwnerDisabled(false);
    m_bar->setValue(0);
    m_busyTimer.stop();
    m_lookupTimer.stop();
    hide();
}

void CShow_Dlg::OnBusyTimer() {
    if (TheModel().connection.transferInProgress == 0 && !m_delay.isActive()) {
        // The transfer is over: a short pause, then the form goes (without blocking the window).
        m_busyTimer.stop();
        m_delay.disconnect();
        connect(&m_delay, &QTimer::timeout, this, [this] { Hide(); });
        m_delay.start(TimerMs(timing::kBusyHideDelay));
    }
}

void CShow_Dlg::OnLookupTimer() {
    if (TheModel().connection.deviceLookup == 0 && !m_delay.isActive()) {
        m_lookupTimer.stop();
        m_delay.disconnect();
        connect(&m_delay, &QTimer::timeout, this, [this] { EndLookup(); });
        m_delay.start(TimerMs(timing::kLookupEndDelay));
    }
}

} // namespace kel

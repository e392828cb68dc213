// The progress dialog: its forms, its two timers and the pauses before it hides.
#include "app/Show_Dlg.h"

#include "app/TarnLayout.h"
#include "app/Texts.h"
#include "controls/DialogUnits.h"
#include "controls/Skin.h"
#include "controls/TimerMs.h"
#include "model/Model.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>

#include <array>

namespace kel {

namespace {
QRect DluRect(const tarn::DluRect& r) {
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

// The step line of a frame: a single frame by name, a run with its count.
QString StepLine(const TransferStep& step) {
    struct Line {
        int command;
        texts::Pair single;
        texts::Pair run;
    };
    static constexpr std::array<Line, 5> kLines = {{
        {CMD_READ_NAME, texts::kReadingNames, texts::kReadingNames},
        {CMD_READ_SYSTEM, texts::kReadingSystem, texts::kReadingSystems},
        {CMD_READ_PROGRAM, texts::kReadingProgram, texts::kReadingPrograms},
        {CMD_WRITE_SYSTEM, texts::kWritingSystem, texts::kWritingSystems},
        {CMD_WRITE_PROGRAM, texts::kWritingProgram, texts::kWritingPrograms},
    }};
    for (const Line& line : kLines) {
        if (line.command != step.command) {
            continue;
        }
        if (step.count > 1 || line.command == CMD_READ_NAME) {
            return texts::Pick(line.run).arg(step.ordinal).arg(step.count);
        }
        return texts::Pick(line.single);
    }
    return texts::Pick(texts::kTransferCaption);
}

} // namespace

std::vector<TransferStep> TransferSteps(const CSendDataQueue& queue) {
    std::vector<TransferStep> steps;
    const int n = queue.Count();
    steps.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int command = queue.At(i).Record().Type();
        const bool continues = !steps.empty() && steps.back().command == command;
        steps.push_back({command, continues ? steps.back().ordinal + 1 : 1, 0});
    }
    // Each run's length, written back over the run.
    for (std::size_t end = steps.size(); end > 0;) {
        const int count = steps[end - 1].ordinal;
        for (std::size_t i = end - static_cast<std::size_t>(count); i < end; ++i) {
            steps[i].count = count;
        }
        end -= static_cast<std::size_t>(count);
    }
    return steps;
}

CShow_Dlg::CShow_Dlg(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), m_owner(owner) {
    setWindowModality(Qt::WindowModal);
    setFixedSize(DluRect(tarn::kShowDlgSize).size());
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setGeometry(DluRect(tarn::kShowDlgCaption));
    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_caption->setIndent(DialogUnits::Get().X(4));
    m_caption->setAutoFillBackground(true);
    QPalette band = m_caption->palette();
    band.setColor(QPalette::Window, QColor::fromRgb(skin::kSlate));
    band.setColor(QPalette::WindowText, QColor::fromRgb(skin::kTextOnDark));
    m_caption->setPalette(band);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text1413"));
    m_text->setGeometry(DluRect(tarn::kShowDlgText));
    m_text->setAlignment(Qt::AlignCenter);
    m_step = new QLabel(this);
    m_step->setObjectName(QStringLiteral("step"));
    m_step->setGeometry(DluRect(tarn::kShowDlgText));
    m_step->setAlignment(Qt::AlignCenter);
    m_step->hide();
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

void CShow_Dlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    p.setPen(QColor::fromRgb(skin::kSlate)); // a frame of its own: no window manager draws one
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

QString CShow_Dlg::Caption() const {
    return m_caption->text();
}

bool CShow_Dlg::StepShown() const {
    return !m_step->isHidden();
}

QString CShow_Dlg::StepText() const {
    return m_step->text();
}

void CShow_Dlg::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    m_caption->setText(caption.trimmed());
}

void CShow_Dlg::ShowStep(int position) {
    if (position >= 0 && position < static_cast<int>(m_steps.size())) {
        m_step->setText(StepLine(m_steps[static_cast<std::size_t>(position)]));
    }
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
    SetCaption(texts::Pick(texts::kLookupCaption));
    m_step->hide();
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

void CShow_Dlg::BeginProgress(int total, std::vector<TransferStep> steps) {
    m_total = total;
    m_steps = std::move(steps);
    m_bar->show();
    m_text->hide();
    m_step->setVisible(!m_steps.empty());
    ShowStep(0);
    m_bar->setRange(0, total);
    m_bar->setValue(0);
    CentreOnOwner();
    SetOwnerDisabled(true);
    SetCaption(texts::Pick(texts::kTransferCaption));
    ShowForm();
}

void CShow_Dlg::StepProgress(int position) {
    m_bar->setValue(position);
    ShowStep(position); // the frame after the one just answered is in flight
    if (position == m_total) {
        SetOwnerDisabled(false);
        m_lookupTimer.stop(); // the lookup form it replaced is gone too
        hide();
    }
}

void CShow_Dlg::ShowBusy() {
    m_text->setText(texts::Pick(texts::kBusyText));
    SetCaption(texts::Pick(texts::kTransferCaption));
    m_step->hide();
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

// CShow_Dlg: the small progress dialog over the main window — device lookup, transfer progress, busy.
#pragma once

#include <QDialog>
#include <QTimer>

#include <vector>

class QLabel;
class QProgressBar;

namespace kel {

class CSendDataQueue;

// One frame of a numbered transfer: its command type and its place in the run of frames of that command.
struct TransferStep {
    int command = 0;
    int ordinal = 0; // 1-based within the run
    int count = 0;   // frames in the run
};

// The steps of the frames queued now, in queue order (the caller holds ImageLock).
std::vector<TransferStep> TransferSteps(const CSendDataQueue& queue);

class CShow_Dlg : public QDialog {
  public:
    // Created hidden; while it shows, its owner takes no input (it is window-modal).
    explicit CShow_Dlg(QWidget* owner);

    void ShowLookup();
    void EndLookup();
    // The bar over `total` frames; with the frames' steps, a line under the caption names the one in flight.
    void BeginProgress(int total, std::vector<TransferStep> steps = {});
    void StepProgress(int position);
    void ShowBusy();
    void Hide();

    // What the dialog shows, for the window and the tests.
    bool OwnerDisabled() const { return m_ownerDisabled; }
    bool TextShown() const;
    bool BarShown() const;
    QString Text() const;
    int BarValue() const;
    int BarMaximum() const;
    // The caption drawn in the dialog's own band (also its window title).
    QString Caption() const;
    bool StepShown() const;
    QString StepText() const;
    bool BusyTimerActive() const { return m_busyTimer.isActive(); }
    bool LookupTimerActive() const { return m_lookupTimer.isActive(); }
    // The pause before a finished busy or lookup form goes away is running.
    bool HidePending() const { return m_delay.isActive(); }

    // The user cannot close it: the close box, Alt+F4 and Escape do nothing.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnBusyTimer();
    void OnLookupTimer();
    void CentreOnOwner();
    void SetOwnerDisabled(bool disabled);
    void ShowForm();
    void SetCaption(const QString& caption);
    void ShowStep(int position);

    QWidget* m_owner;
    QLabel* m_caption;
    QLabel* m_text;
    QLabel* m_step;
    QProgressBar* m_bar;
    int m_total = 0;
    std::vector<TransferStep> m_steps;
    bool m_ownerDisabled = false;
    QTimer m_busyTimer;   // timer 8
    QTimer m_lookupTimer; // timer 9
    QTimer m_delay;       // the pause before a busy or lookup form goes away
};

} // namespace kel

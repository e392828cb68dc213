// CShow_Dlg: the small progress dialog over the main window — device lookup, transfer progress, busy.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace kel {

class CShow_Dlg : public QDialog {
  public:
    // Created hidden; while it shows, its owner takes no input (it is window-modal).
    explicit CShow_Dlg(QWidget* owner);

    void ShowLookup();
    void EndLookup();
    void BeginProgress(int total);
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
    bool BusyTimerActive() const { return m_busyTimer.isActive(); }
    bool LookupTimerActive() const { return m_lookupTimer.isActive(); }
    // The pause before a finished busy or lookup form goes away is running.
    bool HidePending() const { return m_delay.isActive(); }

    // The user cannot close it: the close box, Alt+F4 and Escape do nothing.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnBusyTimer();
    void OnLookupTimer();
    void CentreOnOwner();
    void SetOwnerDisabled(bool disabled);
    void ShowForm();

    QWidget* m_owner;
    QLabel* m_text;
    QProgressBar* m_bar;
    int m_total = 0;
    bool m_ownerDisabled = false;
    QTimer m_busyTimer;   // timer 8
    QTimer m_lookupTimer; // timer 9
    QTimer m_delay;       // the pause before a busy or lookup form goes away
};

} // namespace kel

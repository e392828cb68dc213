// kelvane --remote: the remote control service beside the window, on the window's one connection. A
// phone's edit refreshes the window; the window's messages about received programs, system blocks and
// level reports are passed on to the service. A small window shows the page's address and its QR code.
#pragma once

#include "remote/RemoteServer.h"

#include <QDialog>
#include <QObject>

#include <memory>
#include <optional>
#include <string>

class QLabel;

namespace kel {

class CTarnDlg;

// The address as text and as a QR code, in the window's language.
class CRemoteDlg : public QDialog {
  public:
    CRemoteDlg(const QString& url, bool withToken, QWidget* parent);
    void ApplyLanguage();
    // The QR code of `text`, `scale` pixels a module with a four-module quiet zone; null when it cannot be
    // made.
    static QImage QrImage(const QString& text, int scale);

  private:
    QString m_url;
    bool m_withToken;
    QLabel* m_caption;
    QLabel* m_note;
};

class RemoteHost : public QObject {
  public:
    // Starts the service; nullopt-like failure is returned through `error` (the window goes on without it).
    static std::unique_ptr<RemoteHost> Start(CTarnDlg& window, const std::string& listen,
                                             const std::optional<std::string>& tokenFile, std::string& error);
    ~RemoteHost() override;
    remote::RemoteServer& Server() { return *m_server; }
    CRemoteDlg& Display() { return *m_display; }
    // Shows the address window (also on Ctrl+R in the main window).
    void ShowDisplay();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    RemoteHost(CTarnDlg& window, std::unique_ptr<remote::RemoteServer> server);
    CTarnDlg& m_window;
    std::unique_ptr<remote::RemoteServer> m_server;
    int m_editListener = 0; // in the model's edit listeners: a phone's edit refreshes the window
    CRemoteDlg* m_display = nullptr; // owned by the window
};

} // namespace kel

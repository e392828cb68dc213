// kelvane --remote: the service, the window's refresh on a phone's edit, and the address window.
#include "app/RemoteHost.h"

#include "app/TarnDlg.h"
#include "model/Messages.h"
#include "model/Model.h"
#include "remote/RemoteToken.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <qrencode.h>

#include <array>

namespace kel {

namespace {

struct Text {
    const char* zh;
    const char* en;
};
constexpr Text kTitle = {"手机遥控", "Remote control"};
constexpr Text kCaption = {"用手机扫描二维码，或在浏览器中打开：",
                           "Scan the code with a phone, or open in its browser:"};
constexpr Text kTokenNote = {
    "地址中含有令牌，请勿外传。按 Ctrl+R 可再次显示本窗口。",
    "The address holds the access token: keep it to the staff. Ctrl+R shows this window again."};
constexpr Text kLocalNote = {
    "仅本机可访问（127.0.0.1）。按 Ctrl+R 可再次显示本窗口。",
    "Reachable from this computer only (127.0.0.1). Ctrl+R shows this window again."};

QString Pick(const Text& t) {
    return QString::fromUtf8(TheModel().settings.languageFlag != 0 ? t.zh : t.en);
}

constexpr int kQrScale = 6;

} // namespace

QImage CRemoteDlg::QrImage(const QString& text, int scale) {
    const QByteArray bytes = text.toUtf8();
    QRcode* code = QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) {
        return {};
    }
    constexpr int kQuiet = 4;
    const int modules = code->width + 2 * kQuiet;
    QImage image(modules * scale, modules * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 1) {
                p.fillRect((x + kQuiet) * scale, (y + kQuiet) * scale, scale, scale, Qt::black);
            }
        }
    }
    p.end();
    QRcode_free(code);
    return image;
}

CRemoteDlg::CRemoteDlg(const QString& url, bool withToken, QWidget* parent)
    : QDialog(parent), m_url(url), m_withToken(withToken) {
    setObjectName(QStringLiteral("remoteDisplay"));
    auto* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    layout->addWidget(m_caption);
    auto* address = new QLabel(url, this);
    address->setObjectName(QStringLiteral("remoteUrl"));
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = address->font();
    mono.setFamily(QStringLiteral("monospace"));
    address->setFont(mono);
    layout->addWidget(address);
    auto* code = new QLabel(this);
    code->setObjectName(QStringLiteral("remoteQr"));
    code->setAlignment(Qt::AlignCenter);
    code->setPixmap(QPixmap::fromImage(QrImage(url, kQrScale)));
    layout->addWidget(code);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);
    ApplyLanguage();
}

void CRemoteDlg::ApplyLanguage() {
    setWindowTitle(Pick(kTitle));
    m_caption->setText(Pick(kCaption));
    m_note->setText(Pick(m_withToken ? kTokenNote : kLocalNote));
}

std::unique_ptr<RemoteHost> RemoteHost::Start(CTarnDlg& window, const std::string& listen,
                                              const std::optional<std::string>& tokenFile,
                                              std::string& error) {
    const auto where = remote::ParseListenAddress(listen, error);
    if (!where) {
        return nullptr;
    }
    remote::RemoteOptions options;
    options.address = where->address;
    options.port = where->port;
    // A token is needed off 127.0.0.1; one given is used on 127.0.0.1 too.
    if (remote::NeedsToken(where->address) || tokenFile) {
        const auto token = tokenFile ? remote::TokenFromFile(*tokenFile, error) : remote::UserToken(error);
        if (!token) {
            return nullptr;
        }
        options.token = *token;
    }
    auto server = std::make_unique<remote::RemoteServer>(options);
    if (!server->Start(error)) {
        return nullptr;
    }
    return std::unique_ptr<RemoteHost>(new RemoteHost(window, std::move(server)));
}

RemoteHost::RemoteHost(CTarnDlg& window, std::unique_ptr<remote::RemoteServer> server)
    : m_window(window), m_server(std::move(server)) {
    const QString url = QString::fromStdString(m_server->PageUrl());
    m_display = new CRemoteDlg(url, url.contains(QStringLiteral("?token=")), &window);
    auto* show = new QAction(&window);
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    show->setShortcutContext(Qt::WindowShortcut);
    connect(show, &QAction::triggered, this, [this] { ShowDisplay(); });
    window.addAction(show);
    window.installEventFilter(this);
    // A phone's edit: the window shows the model again, on its own thread.
    CTarnDlg* target = &window;
    m_editListener = TheModel().edits.Add([target](const ModelChange& change) {
        if (change.origin != EditOrigin::Remote) {
            return;
        }
        QMetaObject::invokeMethod(
            target,
            [target] {
                target->RefreshPage();
                target->UpdateStatus(true);
            },
            Qt::QueuedConnection);
    });
}

RemoteHost::~RemoteHost() {
    TheModel().edits.Remove(m_editListener);
    m_window.removeEventFilter(this);
    m_server->Stop(); // before the model and the window go
}

void RemoteHost::ShowDisplay() {
    m_display->ApplyLanguage();
    m_display->show();
    m_display->raise();
}

bool RemoteHost::eventFilter(QObject* watched, QEvent* event) {
    // The core's messages reach the window as events whose type is the message number.
    struct Passed {
        int message;
        remote::RemoteEvent event;
    };
    static constexpr std::array<Passed, 4> kPassed = {{
        {MSG_PROGRAM_RECEIVED, remote::RemoteEvent::ProgramReceived},
        {MSG_SYSTEM_RECEIVED, remote::RemoteEvent::SystemReceived},
        {MSG_LEVELS_RECEIVED, remote::RemoteEvent::LevelsReceived},
        {MSG_TRANSPORT_FAILED, remote::RemoteEvent::ConnectionChanged},
    }};
    if (watched == &m_window) {
        for (const Passed& p : kPassed) {
            if (static_cast<int>(event->type()) == p.message) {
                m_server->Notify(p.event);
            }
        }
    }
    return false;
}

} // namespace kel

// kelvane --demo with a stopwatch: starts exactly as the program does and reports, on the file descriptor
// given as its first argument, the moment the window was first painted (mode "paint"), the resident
// memory once the initial read is over (mode "rss"), or the milliseconds from showing the window to the
// end of the initial read (mode "connect"). Run by bench_ui.
#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/Skin.h"
#include "model/Model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

using namespace kel;

namespace {

long long NowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

long long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLongLong();
        }
    }
    return -1;
}

void Report(int fd, const std::string& text) {
    const std::string line = text + "\n";
    (void)!::write(fd, line.data(), line.size());
}

// Notices the end of the first paint of the window's client area.
class PaintProbe : public QObject {
  public:
    PaintProbe(int fd) : m_fd(fd) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // Reported once the paint (and the flush that follows it) has been handled.
            QTimer::singleShot(0, qApp, [this] {
                Report(m_fd, "painted " + std::to_string(NowNs()));
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    int m_fd;
    bool m_done = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kelvane-startup-probe FD paint|rss\n");
        return 2;
    }
    const int fd = std::atoi(argv[1]);
    const bool rss = std::strcmp(argv[2], "rss") == 0;
    const bool connect = std::strcmp(argv[2], "connect") == 0;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    AppOptions options;
    options.demo = true;
    std::unique_ptr<WindowCore> core = StartCore(options);
    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    CTarnDlg window(*core, settings);
    PaintProbe probe(fd);
    if (!rss && !connect) {
        window.Client().installEventFilter(&probe);
    }
    // Outlive the block below: the poll reads them while the application runs.
    QElapsedTimer clock;
    bool sawBar = false;
    window.show();
    if (rss || connect) {
        clock.start();
        auto* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, &app, [&] {
            CShow_Dlg& p = window.Progress();
            sawBar = sawBar || (p.isVisible() && p.BarShown());
            const bool done = sawBar && !p.isVisible() && TheModel().connection.connected != 0;
            if (done || clock.elapsed() > 60000) {
                const long long figure = connect ? clock.elapsed() : ResidentKiB();
                Report(fd, (done ? (connect ? "connected " : "rss ") : "timeout ") + std::to_string(figure));
                std::_Exit(done ? 0 : 1);
            }
        });
        poll->start(20);
    }
    return app.exec();
}

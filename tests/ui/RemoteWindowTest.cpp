// `kelvane --demo --remote`: a phone's edits reach the emulated processor through the window's one
// connection, and the window's volume strips follow them; the address window shows the page's address
// as text and as a QR code.
#include "DemoKit.h"
#include "UiTestMain.h"

#include "app/RemoteHost.h"
#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"

#include <QLabel>

#include <utility> // ahead of Boost.Asio 1.74 (std::exchange)

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <future>

using namespace kel;
using namespace kel::uitest;

namespace {

// One request from a phone, on a thread of its own (the window's thread must keep running meanwhile).
int Put(int port, const std::string& target, const std::string& body) {
    namespace http = boost::beast::http;
    boost::asio::io_context ioc;
    boost::asio::ip::tcp::socket socket(ioc);
    boost::beast::error_code ec;
    socket.connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)}, ec);
    http::request<http::string_body> req{http::verb::put, target, 11};
    req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
    req.set(http::field::content_type, "application/json");
    req.body() = body;
    req.prepare_payload();
    http::write(socket, req, ec);
    boost::beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(socket, buffer, res, ec);
    return ec ? -1 : static_cast<int>(res.result_int());
}

int PutAndWait(int port, const std::string& target, const std::string& body) {
    auto reply = std::async(std::launch::async, Put, port, target, body);
    WaitFor([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 20000);
    return reply.get();
}

bool HasMasterVolume(const std::vector<Frame>& frames, int index, int value) {
    for (const Frame& f : frames) {
        if (f.type == CMD_MASTER_VOLUME && f.body.size() >= 2 && f.body[0] == index && f.body[1] == value) {
            return true;
        }
    }
    return false;
}

} // namespace

class RemoteWindowTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void phoneEditsReachTheProcessorAndTheWindowFollows();
};

void RemoteWindowTest::phoneEditsReachTheProcessorAndTheWindowFollows() {
    DemoSession demo;
    QVERIFY(demo.Start());
    std::string error;
    auto remote = RemoteHost::Start(*demo.window, "127.0.0.1:0", std::nullopt, error);
    QVERIFY2(remote != nullptr, error.c_str());
    const int port = remote->Server().Port();
    demo.TakeFrames();

    std::vector<Frame> frames;
    auto collect = [&] {
        for (const Frame& f : demo.TakeFrames()) {
            frames.push_back(f);
        }
    };
    QCOMPARE(PutAndWait(port, "/api/volume/music", R"({"value": 40})"), 200);
    QVERIFY(WaitFor([&] { return demo.window->VolumeSlider(STRIP_MUSIC).GetPos() == 40; }, 10000));
    QVERIFY(WaitFor(
        [&] {
            collect();
            return HasMasterVolume(frames, 0, 40);
        },
        10000));

    QCOMPARE(PutAndWait(port, "/api/mute/effect", R"({"muted": true})"), 200);
    QVERIFY(WaitFor([&] { return demo.window->MuteButton(STRIP_EFFECT).IsOn(); }, 10000));
    const int effect = TheModel().system.effectVolume & kVolumeMask;
    QVERIFY(WaitFor(
        [&] {
            collect();
            return HasMasterVolume(frames, 2, effect | kMuteBit);
        },
        10000));

    // Without a window manager the address window is an ordinary top-level window.
    remote->ShowDisplay();
    const auto* url = remote->Display().findChild<QLabel*>(QStringLiteral("remoteUrl"));
    const auto* code = remote->Display().findChild<QLabel*>(QStringLiteral("remoteQr"));
    QVERIFY(url != nullptr && code != nullptr);
    QCOMPARE(url->text().toStdString(), "http://127.0.0.1:" + std::to_string(port) + "/");
    QVERIFY(!code->pixmap().isNull() && code->pixmap().width() >= 25 * 6);
    remote.reset();
    demo.window.reset();
}

KEL_QTEST_MAIN(RemoteWindowTest)
#include "RemoteWindowTest.moc"

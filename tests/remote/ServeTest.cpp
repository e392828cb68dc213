// kelvane-cli serve end to end over loopback: an emulated processor on UDP in this process, the service
// in a child process, and HTTP and WebSocket clients here. Each call's effect must arrive at the
// processor as its frame; refused calls must change nothing there.
#include "emulator/DeviceEngine.h"
#include "emulator/UdpServer.h"
#include "protocol/CommandTables.h"
#include "support/ChildProcess.h"
#include "support/Wait.h"

#include <utility> // ahead of Boost.Asio 1.74 (std::exchange)

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kel {
namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using nlohmann::json;

// Waits on observable state with a generous bound, looking twenty times a second: well inside the
// service's request rate, so waiting never meets a 429.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds bound = std::chrono::seconds(30)) {
    return test::WaitUntil(done, bound, std::chrono::milliseconds(50));
}

// The emulated processor, counting the frames it receives by type and index.
class Processor {
  public:
    Processor() : m_server(m_engine) {
        m_engine.SetFrameObserver([this](int type, int index, int) {
            std::lock_guard lock(m_mutex);
            ++m_frames[{type, index}];
        });
        std::string error;
        m_started = m_server.Start("127.0.0.1", 0, &error);
    }
    // The server thread reports into the counts: it stops before they go.
    ~Processor() { m_server.Stop(); }
    Processor(const Processor&) = delete;
    Processor& operator=(const Processor&) = delete;
    bool Started() const { return m_started; }
    int Port() const { return m_server.Port(); }
    int Frames(int type, int index) {
        std::lock_guard lock(m_mutex);
        return m_frames[{type, index}];
    }
    SystemBlock Live() {
        std::lock_guard lock(m_engine.Mutex());
        return m_engine.State().liveSystem;
    }
    void Stop() { m_server.Stop(); }
    bool Restart(int port) {
        std::string error;
        return m_server.Start("127.0.0.1", port, &error);
    }

  private:
    DeviceEngine m_engine;
    UdpServer m_server;
    bool m_started = false;
    std::mutex m_mutex;
    std::map<std::pair<int, int>, int> m_frames;
};

// kelvane-cli serve in a child process; its first line on stdout is the page's address.
class Service : public testkit::ChildProcess {
  public:
    Service(int devicePort, const std::string& listen, const std::string& extra = "")
        : ChildProcess(std::string(KELVANE_CLI) +
                       " --no-serial --no-usb --device-address 127.0.0.1 --device-port " +
                       std::to_string(devicePort) + " --timing-scale 0.05 serve " + listen + " " + extra +
                       " 2>>serve-stderr.txt") {
        const std::string& url = FirstLine();
        if (const auto colon = url.find(':', 7); url.starts_with("http://") && colon != std::string::npos) {
            m_host = url.substr(7, colon - 7);
            m_port = std::atoi(url.c_str() + colon + 1);
        }
    }
    const std::string& Url() const { return FirstLine(); }
    const std::string& Host() const { return m_host; }
    int Port() const { return m_port; }
    std::string HostHeader() const { return m_host + ":" + std::to_string(m_port); }

  private:
    std::string m_host;
    int m_port = 0;
};

struct Reply {
    int status = 0;
    std::string body;
    std::map<std::string, std::string> headers;
};

Reply Http(const Service& s, http::verb method, const std::string& target, const std::string& body = "",
           const std::map<std::string, std::string>& headers = {}) {
    net::io_context ioc;
    tcp::socket socket(ioc);
    beast::error_code ec;
    socket.connect(tcp::endpoint(net::ip::make_address(s.Host()), static_cast<unsigned short>(s.Port())), ec);
    if (ec) {
        return {};
    }
    http::request<http::string_body> req{method, target, 11};
    req.set(http::field::host, s.HostHeader());
    if (!body.empty()) {
        req.set(http::field::content_type, "application/json");
    }
    for (const auto& [name, value] : headers) {
        req.set(name, value);
    }
    req.body() = body;
    req.prepare_payload();
    http::write(socket, req, ec);
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(socket, buffer, res, ec);
    Reply r{static_cast<int>(res.result_int()), res.body(), {}};
    for (const auto& field : res) {
        r.headers[std::string(field.name_string())] = std::string(field.value());
    }
    return r;
}

json State(const Service& s, const std::map<std::string, std::string>& headers = {}) {
    const Reply r = Http(s, http::verb::get, "/api/state", "", headers);
    return r.status == 200 ? json::parse(r.body) : json{};
}

// Connected, with the initial read done (the preset names are in).
bool Ready(const Service& s, const std::map<std::string, std::string>& headers = {}) {
    return WaitFor([&] {
        const json st = State(s, headers);
        return !st.empty() && st["connected"].get<bool>() && !st["busy"].get<bool>() &&
               st["presets"][0] == "Program 01";
    });
}

class Serve : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_processor.Started()); }
    Processor m_processor;
};

TEST_F(Serve, EachCallArrivesAsItsFrameAndRefusedCallsChangeNothing) {
    Service s(m_processor.Port(), "127.0.0.1:0");
    ASSERT_FALSE(s.Url().empty());
    ASSERT_TRUE(Ready(s));
    const SystemBlock before = m_processor.Live();

    // Refused first, on the effect volume, which the change detector looks at before the music volume:
    // had any of them changed the model, its frame would reach the processor before the music's.
    EXPECT_EQ(Http(s, http::verb::put, "/api/volume/effect", "{\"value\": 3").status, 400);
    EXPECT_EQ(Http(s, http::verb::put, "/api/volume/effect", R"({"value": 71})").status, 400);
    EXPECT_EQ(Http(s, http::verb::put, "/api/volume/effect",
                   R"({"value": 3, "pad": ")" + std::string(2000, 'x') + "\"}")
                  .status,
              413);
    EXPECT_EQ(Http(s, http::verb::put, "/api/mute/effect", R"({"muted": "yes"})").status, 400);
    EXPECT_EQ(Http(s, http::verb::post, "/api/recall", R"({"slot": 22})").status, 400);

    const int musicMax = before.musicMax;
    ASSERT_EQ(Http(s, http::verb::put, "/api/volume/music", R"({"value": 33})").status, 200);
    ASSERT_TRUE(WaitFor([&] { return m_processor.Live().musicVolume == std::min(33, musicMax); }));
    EXPECT_GE(m_processor.Frames(CMD_MASTER_VOLUME, 0), 1);
    EXPECT_EQ(m_processor.Frames(CMD_MASTER_VOLUME, 2), 0);
    EXPECT_EQ(m_processor.Live().effectVolume, before.effectVolume);
    EXPECT_EQ(m_processor.Frames(CMD_RECALL, 22), 0);

    ASSERT_EQ(Http(s, http::verb::put, "/api/mute/mic", R"({"muted": true})").status, 200);
    ASSERT_TRUE(WaitFor([&] { return m_processor.Live().micVolume == (before.micVolume | kMuteBit); }));
    EXPECT_EQ(m_processor.Frames(CMD_MASTER_VOLUME, 1), 1);

    ASSERT_EQ(Http(s, http::verb::post, "/api/recall", R"({"slot": 5})").status, 200);
    ASSERT_TRUE(WaitFor([&] { return m_processor.Frames(CMD_RECALL, 5) == 1; }));
    EXPECT_TRUE(WaitFor([&] { return State(s)["slot"] == 5; }));

    // Nothing but the page is served.
    const Reply page = Http(s, http::verb::get, "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("/api/live"), std::string::npos);
    for (const char* path : {"/index.html", "/../../etc/passwd", "/api/../CMakeCache.txt", "/favicon.ico"}) {
        EXPECT_EQ(Http(s, http::verb::get, path).status, 404) << path;
    }
    // Another site's page in the browser may not use the service, nor a name that is not this computer's.
    EXPECT_EQ(
        Http(s, http::verb::put, "/api/volume/music", R"({"value": 1})", {{"Origin", "http://evil.example"}})
            .status,
        403);
    EXPECT_EQ(Http(s, http::verb::get, "/api/state", "", {{"Host", "evil.example:80"}}).status, 403);
}

TEST_F(Serve, AnotherAddressNeedsTheToken) {
    const std::string token = "0123456789abcdef0123456789abcdef";
    std::ofstream("token.txt") << token << "\n";
    Service s(m_processor.Port(), "127.0.0.2:0", "--token-file token.txt");
    ASSERT_EQ(s.Url(), "http://127.0.0.2:" + std::to_string(s.Port()) + "/?token=" + token);
    const std::map<std::string, std::string> bearer = {{"Authorization", "Bearer " + token}};
    ASSERT_TRUE(Ready(s, bearer));
    const SystemBlock before = m_processor.Live();

    EXPECT_EQ(Http(s, http::verb::get, "/api/state").status, 401);
    EXPECT_EQ(Http(s, http::verb::get, "/api/state", "", {{"Authorization", "Bearer " + token + "0"}}).status,
              401);
    EXPECT_EQ(Http(s, http::verb::put, "/api/volume/effect", R"({"value": 1})").status, 401);
    EXPECT_EQ(Http(s, http::verb::get, "/").status, 401);
    EXPECT_EQ(Http(s, http::verb::get, "/?token=wrong").status, 401);

    // The page's address carries the token once; it comes back as a cookie and the address loses it.
    Reply redirect = Http(s, http::verb::get, "/?token=" + token);
    ASSERT_EQ(redirect.status, 303);
    EXPECT_EQ(redirect.headers["Location"], "/");
    const std::string setCookie = redirect.headers["Set-Cookie"];
    EXPECT_NE(setCookie.find("HttpOnly"), std::string::npos);
    const std::map<std::string, std::string> cookie = {{"Cookie", setCookie.substr(0, setCookie.find(';'))}};
    EXPECT_EQ(Http(s, http::verb::get, "/", "", cookie).status, 200);

    ASSERT_EQ(Http(s, http::verb::put, "/api/volume/music", R"({"value": 7})", cookie).status, 200);
    ASSERT_TRUE(WaitFor([&] { return m_processor.Live().musicVolume == 7; }));
    EXPECT_EQ(m_processor.Live().effectVolume, before.effectVolume);
    EXPECT_EQ(m_processor.Frames(CMD_MASTER_VOLUME, 2), 0);

    // The live stream: the cookie, and our own page as the origin.
    auto upgrade = [&](const std::string& origin, const std::map<std::string, std::string>& extra) {
        std::map<std::string, std::string> headers = {{"Connection", "Upgrade"},
                                                      {"Upgrade", "websocket"},
                                                      {"Sec-WebSocket-Version", "13"},
                                                      {"Sec-WebSocket-Key", "dGhlIHNhbXBsZSBub25jZQ=="},
                                                      {"Origin", origin}};
        headers.insert(extra.begin(), extra.end());
        return Http(s, http::verb::get, "/api/live", "", headers).status;
    };
    const std::string ownOrigin = "http://" + s.HostHeader();
    EXPECT_EQ(upgrade(ownOrigin, {}), 401);
    EXPECT_EQ(upgrade("http://evil.example", cookie), 403);
    EXPECT_EQ(upgrade(ownOrigin, cookie), 101);
}

TEST_F(Serve, LiveStreamSendsStateAndLevelsAtMostTenTimesASecond) {
    Service s(m_processor.Port(), "127.0.0.1:0");
    ASSERT_TRUE(Ready(s));
    net::io_context ioc;
    websocket::stream<tcp::socket> ws(ioc);
    ws.next_layer().connect(
        tcp::endpoint(net::ip::make_address("127.0.0.1"), static_cast<unsigned short>(s.Port())));
    ws.handshake(s.HostHeader(), "/api/live");
    beast::flat_buffer buffer;
    ws.read(buffer);
    const json first = json::parse(beast::buffers_to_string(buffer.data()));
    ASSERT_TRUE(first.contains("state"));
    EXPECT_EQ(first["levels"].size(), 12u);

    // A phone's edit reaches every page through the stream.
    ASSERT_EQ(Http(s, http::verb::put, "/api/volume/effect", R"({"value": 9})").status, 200);
    bool sawEdit = false;
    int levelMessages = 0;
    auto last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration shortest = std::chrono::hours(1);
    while (!sawEdit || levelMessages < 5) {
        buffer.consume(buffer.size());
        ws.read(buffer);
        const auto now = std::chrono::steady_clock::now();
        shortest = std::min(shortest, now - last);
        last = now;
        const json m = json::parse(beast::buffers_to_string(buffer.data()));
        sawEdit = sawEdit || (m.contains("state") && m["state"]["volumes"]["effect"]["value"] == 9);
        levelMessages += m.contains("levels") ? 1 : 0;
    }
    // The service keeps at least 100 ms between two messages of one stream; allow for timer slack.
    EXPECT_GE(shortest, std::chrono::milliseconds(90));
}

TEST_F(Serve, TooManyRequestsAreRefused) {
    Service s(m_processor.Port(), "127.0.0.1:0");
    ASSERT_FALSE(s.Url().empty());
    int refused = 0;
    for (int i = 0; i < 1000 && refused == 0; ++i) {
        refused += Http(s, http::verb::get, "/api/state").status == 429 ? 1 : 0;
    }
    EXPECT_EQ(refused, 1);
}

TEST_F(Serve, ReconnectsWhenTheLinkFails) {
    Service s(m_processor.Port(), "127.0.0.1:0");
    ASSERT_TRUE(Ready(s));
    const int port = m_processor.Port();
    m_processor.Stop();
    ASSERT_TRUE(WaitFor([&] { return State(s)["connected"] == false; }, std::chrono::seconds(60)));
    ASSERT_TRUE(m_processor.Restart(port));
    EXPECT_TRUE(WaitFor([&] { return State(s)["connected"] == true; }, std::chrono::seconds(60)));
}

} // namespace
} // namespace kel

// The remote control service on Boost.Beast: one io_context on one thread serves every connection.
#include "remote/RemoteServer.h"

#include "remote/RemoteApi.h"
#include "remote/RemotePage.h"
#include "remote/RemoteToken.h"

#include <utility> // ahead of Boost.Asio 1.74, whose awaitable.hpp uses std::exchange without it

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <ifaddrs.h>
#include <map>
#include <mutex>
#include <net/if.h>
#include <optional>
#include <thread>
#include <vector>

namespace kel::remote {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

namespace {

std::string_view SV(beast::string_view s) {
    return {s.data(), s.size()};
}

constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr std::size_t kMaxClientMessage = 1024; // the page never sends anything on the live stream
constexpr std::string_view kCookie = "kelvane_token";

// Equal strings in a time that does not depend on where they differ.
bool SameSecret(std::string_view a, std::string_view b) {
    unsigned diff = a.size() == b.size() ? 0u : 1u;
    for (std::size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned>(a[i] ^ (i < b.size() ? b[i] : 0));
    }
    return diff == 0;
}

// The value of one cookie of a Cookie header.
std::string_view CookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const std::size_t end = std::min(header.find(';'), header.size());
        std::string_view part = header.substr(0, end);
        while (!part.empty() && part.front() == ' ') {
            part.remove_prefix(1);
        }
        if (part.size() > name.size() && part.starts_with(name) && part[name.size()] == '=') {
            return part.substr(name.size() + 1);
        }
        header.remove_prefix(std::min(end + 1, header.size()));
    }
    return {};
}

// The value of one parameter of a query string.
std::string_view QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view part = query.substr(0, end);
        if (part.size() > name.size() && part.starts_with(name) && part[name.size()] == '=') {
            return part.substr(name.size() + 1);
        }
        query.remove_prefix(std::min(end + 1, query.size()));
    }
    return {};
}

// Requests allowed per client address: a bucket refilled at `rate` a second, holding twice as many.
class RateLimiter {
  public:
    explicit RateLimiter(int rate) : m_rate(rate) {}
    bool Allow(const std::string& client) {
        const auto now = Clock::now();
        if (m_buckets.size() > 1024) {
            m_buckets.clear(); // a bound on the table; forgetting only lets a burst through again
        }
        auto [it, fresh] = m_buckets.try_emplace(client, Bucket{2.0 * m_rate, now});
        Bucket& b = it->second;
        const double seconds = std::chrono::duration<double>(now - b.last).count();
        b.tokens = std::min(2.0 * m_rate, b.tokens + seconds * m_rate);
        b.last = now;
        if (b.tokens < 1.0) {
            return false;
        }
        b.tokens -= 1.0;
        return true;
    }

  private:
    struct Bucket {
        double tokens;
        Clock::time_point last;
    };
    int m_rate;
    std::map<std::string, Bucket> m_buckets;
};

// The address a phone can use: the one bound, or for 0.0.0.0 the first IPv4 address of this computer's
// interfaces that is not loopback (read from the interface list; nothing is sent).
std::string ShownAddress(const std::string& bound) {
    if (bound != "0.0.0.0") {
        return bound;
    }
    std::string shown = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return shown;
    }
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && !(i->ifa_flags & IFF_LOOPBACK) &&
            (i->ifa_flags & IFF_UP)) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, text,
                        sizeof text);
            shown = text;
            break;
        }
    }
    ::freeifaddrs(list);
    return shown;
}

} // namespace

class LiveSession;

struct RemoteServer::Impl {
    explicit Impl(RemoteOptions o) : options(std::move(o)), limiter(options.requestsPerSecond) {}

    // Declared before the io_context: sessions destroyed with it still count themselves out.
    RemoteOptions options;
    RateLimiter limiter;
    int port = 0;
    int connections = 0; // on the remote thread
    std::atomic<int> liveCount{0};
    int editListener = 0; // in the model's edit listeners while started
    std::vector<std::weak_ptr<LiveSession>> lives;
    std::optional<RemoteState> lastState;
    std::optional<Levels> lastLevels;
    Clock::time_point lastBroadcast{};
    net::io_context ioc{1};
    tcp::acceptor acceptor{ioc};
    net::steady_timer tick{ioc};
    std::thread thread;

    void Accept();
    void ArmTick(Clock::duration after);
    void Broadcast();
    void AddLive(const std::shared_ptr<LiveSession>& live);
    // The checks every request passes: a refusal, or nullopt to go on.
    std::optional<Response> Gate(const Request& req, const std::string& client, bool live);
    Response Handle(const Request& req);
    bool Authorized(const Request& req) const;
};

namespace {

Response Reply(const Request& req, http::status status, std::string body, std::string_view type) {
    Response res{status, req.version()};
    res.set(http::field::server, "kelvane");
    res.set(http::field::content_type, beast::string_view(type.data(), type.size()));
    res.set(http::field::cache_control, "no-store");
    res.set("X-Content-Type-Options", "nosniff");
    res.keep_alive(req.keep_alive());
    res.body() = std::move(body);
    res.prepare_payload();
    return res;
}

Response JsonError(const Request& req, http::status status, std::string_view text) {
    std::string body = "{\"error\":\"";
    body += text; // plain ASCII texts of our own
    body += "\"}";
    return Reply(req, status, std::move(body), "application/json");
}

} // namespace

// One WebSocket stream of /api/live: the remote thread writes at most one message per interval to it,
// and a stream that falls behind keeps only the newest message waiting.
class LiveSession : public std::enable_shared_from_this<LiveSession> {
  public:
    LiveSession(tcp::socket socket, RemoteServer::Impl& server) : m_ws(std::move(socket)), m_server(server) {}
    ~LiveSession() { --m_server.liveCount; }

    void Run(Request req) {
        ++m_server.liveCount;
        m_ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        m_ws.read_message_max(kMaxClientMessage);
        m_ws.async_accept(req, beast::bind_front_handler(&LiveSession::OnAccept, shared_from_this()));
    }

    // A new stream first gets the whole state and the levels.
    bool Fresh() const { return m_fresh; }
    bool Open() const { return m_open; }

    void Send(std::shared_ptr<const std::string> message) {
        m_fresh = false;
        if (m_writing) {
            m_next = std::move(message);
            return;
        }
        Write(std::move(message));
    }

  private:
    void OnAccept(beast::error_code ec) {
        if (ec) {
            return;
        }
        m_open = true;
        m_server.AddLive(shared_from_this());
        Read();
    }

    void Read() {
        m_ws.async_read(m_buffer, beast::bind_front_handler(&LiveSession::OnRead, shared_from_this()));
    }

    void OnRead(beast::error_code ec, std::size_t) {
        if (ec) {
            m_open = false; // closed, timed out or too long a message
            return;
        }
        m_buffer.consume(m_buffer.size());
        Read();
    }

    void Write(std::shared_ptr<const std::string> message) {
        m_writing = true;
        m_sending = std::move(message);
        m_ws.text(true);
        m_ws.async_write(net::buffer(*m_sending),
                         beast::bind_front_handler(&LiveSession::OnWrite, shared_from_this()));
    }

    void OnWrite(beast::error_code ec, std::size_t) {
        m_writing = false;
        if (ec) {
            m_open = false;
            return;
        }
        if (m_next) {
            Write(std::exchange(m_next, nullptr));
        }
    }

    websocket::stream<beast::tcp_stream> m_ws;
    RemoteServer::Impl& m_server;
    beast::flat_buffer m_buffer;
    std::shared_ptr<const std::string> m_sending, m_next;
    bool m_writing = false;
    bool m_fresh = true;
    bool m_open = false;
};

// One HTTP connection: requests one after the other, until it closes, idles or is upgraded.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(tcp::socket socket, RemoteServer::Impl& server)
        : m_stream(std::move(socket)), m_server(server) {
        beast::error_code ec;
        const auto peer = m_stream.socket().remote_endpoint(ec);
        m_client = ec ? std::string("?") : peer.address().to_string();
        ++m_server.connections;
    }
    ~HttpSession() { --m_server.connections; }

    void Run() { Read(); }

  private:
    void Read() {
        m_parser.emplace();
        m_parser->header_limit(static_cast<std::uint32_t>(m_server.options.maxHeader));
        m_parser->body_limit(m_server.options.maxBody);
        m_stream.expires_after(kIdleTimeout);
        http::async_read(m_stream, m_buffer, *m_parser,
                         beast::bind_front_handler(&HttpSession::OnRead, shared_from_this()));
    }

    void OnRead(beast::error_code ec, std::size_t) {
        if (ec == http::error::body_limit) {
            return Send(
                JsonError(m_parser->get(), http::status::payload_too_large, "the request is too large"),
                true);
        }
        if (ec == http::error::header_limit) {
            Request head;
            return Send(JsonError(head, http::status::request_header_fields_too_large,
                                  "the request head is too large"),
                        true);
        }
        if (ec) {
            beast::error_code ignored;
            m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
            return;
        }
        Request req = m_parser->release();
        const bool live = websocket::is_upgrade(req);
        if (auto refusal = m_server.Gate(req, m_client, live)) {
            return Send(std::move(*refusal), false);
        }
        if (live) {
            if (SV(req.target()) != "/api/live") {
                return Send(JsonError(req, http::status::not_found, "the live stream is /api/live"), true);
            }
            if (m_server.liveCount.load() >= m_server.options.maxLive) {
                return Send(JsonError(req, http::status::service_unavailable, "too many live streams"), true);
            }
            m_stream.expires_never();
            std::make_shared<LiveSession>(m_stream.release_socket(), m_server)->Run(std::move(req));
            return;
        }
        Send(m_server.Handle(req), false);
    }

    void Send(Response res, bool close) {
        if (close) {
            res.keep_alive(false);
        }
        m_response = std::make_shared<Response>(std::move(res));
        http::async_write(m_stream, *m_response,
                          beast::bind_front_handler(&HttpSession::OnWrite, shared_from_this()));
    }

    void OnWrite(beast::error_code ec, std::size_t) {
        const bool keep = !ec && m_response->keep_alive();
        m_response.reset();
        if (!keep) {
            beast::error_code ignored;
            m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
            if (!ec) {
                Drain(0);
            }
            return;
        }
        Read();
    }

    // After a refusal that ends the connection, what the client still sends (the rest of an oversized
    // body) is read and dropped for a moment, so that closing does not reset the connection before
    // the client has read the answer.
    void Drain(std::size_t total) {
        constexpr std::size_t kDrainMax = 1 << 20;
        if (total > kDrainMax) {
            return;
        }
        m_stream.expires_after(std::chrono::seconds(2));
        m_stream.async_read_some(net::buffer(m_drain),
                                 [self = shared_from_this(), total](beast::error_code ec, std::size_t n) {
                                     if (!ec) {
                                         self->Drain(total + n);
                                     }
                                 });
    }

    beast::tcp_stream m_stream;
    RemoteServer::Impl& m_server;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::shared_ptr<Response> m_response;
    std::string m_client;
    std::array<char, 4096> m_drain{};
};

void RemoteServer::Impl::Accept() {
    acceptor.async_accept(net::make_strand(ioc), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted) {
            return;
        }
        if (!ec) {
            if (connections >= options.maxConnections) {
                beast::error_code ignored;
                socket.close(ignored); // over the bound: refused before a byte is read
            } else {
                std::make_shared<HttpSession>(std::move(socket), *this)->Run();
            }
        }
        Accept();
    });
}

bool RemoteServer::Impl::Authorized(const Request& req) const {
    if (options.token.empty()) {
        return true;
    }
    const std::string_view auth = SV(req[http::field::authorization]);
    if (auth.starts_with("Bearer ") && SameSecret(auth.substr(7), options.token)) {
        return true;
    }
    const std::string_view cookie = CookieValue(SV(req[http::field::cookie]), kCookie);
    return !cookie.empty() && SameSecret(cookie, options.token);
}

std::optional<Response> RemoteServer::Impl::Gate(const Request& req, const std::string& client, bool live) {
    if (!limiter.Allow(client)) {
        return JsonError(req, http::status::too_many_requests, "too many requests; slow down");
    }
    const std::string_view host = SV(req[http::field::host]);
    if (options.token.empty()) {
        // Bound to 127.0.0.1 without a token: only this computer's own names, so that a web page served
        // from elsewhere cannot reach the service under a name of its own.
        const std::string port = ":" + std::to_string(this->port);
        const bool plain = this->port == 80 && (host == "127.0.0.1" || host == "localhost");
        if (!plain && host != "127.0.0.1" + port && host != "localhost" + port) {
            return JsonError(req, http::status::forbidden, "unexpected Host");
        }
    }
    // A browser names the page a request comes from; only our own page may edit or stream.
    const std::string_view origin = SV(req[http::field::origin]);
    if (!origin.empty() && origin != "http://" + std::string(host)) {
        return JsonError(req, http::status::forbidden,
                         live ? "the live stream is for this service's own page"
                              : "requests from other web pages are refused");
    }
    const std::string_view target = SV(req.target());
    const std::string_view path = target.substr(0, target.find('?'));
    if (path == "/" && !live && !options.token.empty()) {
        // The page's address carries the token once; it becomes a cookie and the address loses it.
        const std::string_view query = target.size() > path.size() ? target.substr(path.size() + 1) : "";
        const std::string_view given = QueryValue(query, "token");
        if (!given.empty() && SameSecret(given, options.token)) {
            Response res = Reply(req, http::status::see_other, "", "text/plain");
            res.set(http::field::location, "/");
            res.set(http::field::set_cookie, std::string(kCookie) + "=" + options.token +
                                                 "; Path=/; HttpOnly; SameSite=Strict; Max-Age=31536000");
            res.set("Referrer-Policy", "no-referrer");
            return res;
        }
    }
    if (!Authorized(req)) {
        Response res = path.starts_with("/api/")
                           ? JsonError(req, http::status::unauthorized, "a token is required")
                           : Reply(req, http::status::unauthorized,
                                   "<!doctype html><meta charset=utf-8><title>Kelvane</title>"
                                   "<p>Open the address Kelvane Control shows, with its token.</p>",
                                   "text/html; charset=utf-8");
        res.set(http::field::www_authenticate, "Bearer");
        return res;
    }
    return std::nullopt;
}

Response RemoteServer::Impl::Handle(const Request& req) {
    const std::string_view target = SV(req.target());
    const std::string_view path = target.substr(0, target.find('?'));
    if (path == "/") {
        if (req.method() != http::verb::get && req.method() != http::verb::head) {
            return JsonError(req, http::status::method_not_allowed, "use GET");
        }
        Response res = Reply(req, http::status::ok, std::string(PageHtml()), "text/html; charset=utf-8");
        res.set("Content-Security-Policy",
                "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
                "connect-src 'self'; img-src data:; frame-ancestors 'none'");
        res.set("Referrer-Policy", "no-referrer");
        return res;
    }
    if (!path.starts_with("/api/")) {
        return JsonError(req, http::status::not_found, "no such resource");
    }
    const ApiReply reply =
        HandleApi({SV(req.method_string()), path, SV(req[http::field::content_type]), req.body()});
    return Reply(req, static_cast<http::status>(reply.status), reply.body, "application/json");
}

void RemoteServer::Impl::AddLive(const std::shared_ptr<LiveSession>& live) {
    lives.push_back(live);
    // The newcomer's first message goes out at once (its first interval starts with it).
    tick.cancel();
}

void RemoteServer::Impl::ArmTick(Clock::duration after) {
    tick.expires_after(after);
    tick.async_wait([this](beast::error_code ec) {
        if (ec && ec != net::error::operation_aborted) {
            return;
        }
        if (!acceptor.is_open()) {
            return; // stopping
        }
        Broadcast();
    });
}

void RemoteServer::Impl::Broadcast() {
    const auto interval = std::chrono::milliseconds(options.liveIntervalMs);
    const auto now = Clock::now();
    std::erase_if(lives, [](const std::weak_ptr<LiveSession>& w) {
        const auto live = w.lock();
        return !live || !live->Open();
    });
    if (lives.empty()) {
        lastState.reset();
        lastLevels.reset();
        return ArmTick(interval);
    }
    if (now - lastBroadcast < interval) {
        return ArmTick(interval - (now - lastBroadcast)); // woken early: keep to the message rate
    }
    // ImageLock is held by others only while data is touched (a link never waits with it).
    std::unique_lock lock(ImageLock());
    const RemoteState state = ReadState(TheModel());
    const Levels levels = ReadLevels(TheModel());
    lock.unlock();

    const bool stateChanged = !lastState || *lastState != state;
    const bool levelsChanged = !lastLevels || *lastLevels != levels;
    std::shared_ptr<const std::string> whole, changes;
    for (const auto& w : lives) {
        const auto live = w.lock();
        if (live->Fresh()) {
            if (!whole) {
                whole = std::make_shared<const std::string>(LiveMessage(&state, &levels));
            }
            live->Send(whole);
        } else if (stateChanged || levelsChanged) {
            if (!changes) {
                changes = std::make_shared<const std::string>(
                    LiveMessage(stateChanged ? &state : nullptr, levelsChanged ? &levels : nullptr));
            }
            live->Send(changes);
        }
    }
    lastState = state;
    lastLevels = levels;
    lastBroadcast = now;
    ArmTick(interval);
}

RemoteServer::RemoteServer(RemoteOptions options) : m_impl(std::make_unique<Impl>(std::move(options))) {}

RemoteServer::~RemoteServer() {
    Stop();
}

bool RemoteServer::Start(std::string& error) {
    Impl& s = *m_impl;
    if (NeedsToken(s.options.address) && s.options.token.empty()) {
        error = "a token is required on " + s.options.address;
        return false;
    }
    beast::error_code ec;
    const auto address = net::ip::make_address_v4(s.options.address, ec);
    if (ec) {
        error = "not a dotted IPv4 address: " + s.options.address;
        return false;
    }
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(s.options.port));
    s.acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        s.acceptor.set_option(net::socket_base::reuse_address(true), ec);
        s.acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        s.acceptor.listen(net::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        error = "cannot listen on " + s.options.address + ":" + std::to_string(s.options.port) + ": " +
                ec.message();
        s.acceptor.close(ec);
        return false;
    }
    s.port = s.acceptor.local_endpoint().port();
    // Every edit, the window's or a phone's, reaches the live streams at once (within their rate).
    s.editListener = TheModel().edits.Add([&s](const ModelChange&) { net::post(s.ioc, [&s] { s.tick.cancel(); }); });
    s.Accept();
    s.ArmTick(std::chrono::milliseconds(s.options.liveIntervalMs));
    s.thread = std::thread([&s] { s.ioc.run(); });
    return true;
}

void RemoteServer::Stop() {
    Impl& s = *m_impl;
    if (!s.thread.joinable()) {
        return;
    }
    TheModel().edits.Remove(s.editListener);
    net::post(s.ioc, [&s] {
        beast::error_code ec;
        s.acceptor.close(ec);
        s.tick.cancel();
        s.ioc.stop(); // open connections end with the io_context
    });
    s.thread.join();
}

int RemoteServer::Port() const {
    return m_impl->port;
}

std::string RemoteServer::PageUrl() const {
    const Impl& s = *m_impl;
    std::string url = "http://" + ShownAddress(s.options.address) + ":" + std::to_string(s.port) + "/";
    if (!s.options.token.empty()) {
        url += "?token=" + s.options.token;
    }
    return url;
}

void RemoteServer::Notify(RemoteEvent) {
    Impl& s = *m_impl;
    net::post(s.ioc, [&s] { s.tick.cancel(); }); // Broadcast keeps to the message rate itself
}

int RemoteServer::LiveCount() const {
    return m_impl->liveCount.load();
}

} // namespace kel::remote

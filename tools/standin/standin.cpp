// standin: the project's own stand-in for the service's web servers, for the
// tests and the demo. It listens on one loopback address only and serves:
//   - GET of files under a site folder (packs, images, the client pack, and
//     the launcher's web pane pages, served as Shift-JIS HTML);
//   - POST to the CGI pages named in the site file, answered from its user
//     table ("ok," and the member's catalogue records, "ng,", "err,", empty);
//   - failures on demand, per path.
// Every request is appended to a log (method, path, user agent, content
// type, body) that the tests read.
//
//   standin --addr 127.0.0.2 --port 80 --site site.txt --root files/ --log req.log [--ready FILE]
//
// Site file, one directive a line ("#" starts a comment):
//   cgi <path>                          a CGI page (POST userid=...&passwd=...)
//   user <id> <password> <reply-file>   "ok," followed by the file's bytes
//                                       (the password percent-encoded)
//   user <id> <password> ng|err|empty|ok   that reply instead ("ok" alone: "ok,")
//   user <id> <password> raw <file>     the file's bytes as they are, nothing added
//   ... delay <s>                       after any of these: the reply <s> seconds late
//   fail <path> 404|close|stall [<s>]|cut <n>|oversize <n>|magic|trickle <b>
//        stall: say nothing, then close after <s> seconds (0: when the client
//        gives up); cut: announce the whole reply, send <n> bytes and close;
//        trickle: the whole reply at <b> bytes per second (a tenth every 100 ms);
//        oversize: <n> more bytes after the reply; magic: spoil its 8 first bytes
// Paths are matched exactly (the query string included). Form values are
// percent-decoded ("%XX"; "+" is a blank).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct User { std::string password, reply; bool raw = false; long delay = 0; };
struct Fail { std::string kind; long arg = 0; };

struct Site {
    std::vector<std::string> cgi;
    std::map<std::string, User> users;
    std::map<std::string, Fail> fails;
    std::string root;
};

Site g_site;
std::mutex g_logLock;
FILE* g_log = nullptr;

std::string ReadFile(const std::string& path, bool* ok)
{
    std::ifstream f(path, std::ios::binary);
    *ok = static_cast<bool>(f);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string Decoded(const std::string& s);

bool LoadSite(const std::string& path, const std::string& baseDir)
{
    std::ifstream f(path);
    if (!f) return false;
    std::string line;
    int n = 0;
    while (std::getline(f, line)) {
        n++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ss(line);
        std::string what;
        ss >> what;
        if (what == "cgi") {
            std::string p;
            ss >> p;
            g_site.cgi.push_back(p);
        } else if (what == "user") {
            std::string id, pw, reply;
            ss >> id >> pw >> reply;
            bool raw = reply == "raw";
            if (raw) ss >> reply;
            if ((raw || (reply != "ng" && reply != "err" && reply != "empty" && reply != "ok")) && !reply.empty() &&
                reply[0] != '/') {
                reply = baseDir + reply;
            }
            std::string word;
            long delay = 0;
            if (ss >> word && word == "delay") ss >> delay;
            g_site.users[id] = { Decoded(pw), reply, raw, delay };
        } else if (what == "fail") {
            std::string p;
            Fail fl;
            ss >> p >> fl.kind >> fl.arg;
            g_site.fails[p] = fl;
        } else {
            std::fprintf(stderr, "standin: %s line %d: unknown directive \"%s\"\n", path.c_str(), n, what.c_str());
            return false;
        }
    }
    return true;
}

// The body as one log field: printable bytes as they are, others as %XX.
std::string Escaped(const std::string& s)
{
    std::string out;
    char buf[4];
    for (unsigned char c : s) {
        if (c >= 0x21 && c < 0x7F && c != '%') out += static_cast<char>(c);
        else { std::snprintf(buf, sizeof(buf), "%%%02X", c); out += buf; }
    }
    return out;
}

void LogRequest(const std::string& method, const std::string& path, const std::string& ua, const std::string& ct,
                const std::string& body)
{
    std::lock_guard<std::mutex> g(g_logLock);
    if (!g_log) return;
    std::fprintf(g_log, "%s\t%s\t%s\t%s\t%s\n", method.c_str(), path.c_str(), ua.c_str(), ct.c_str(),
                 Escaped(body).c_str());
    std::fflush(g_log);
}

bool SendAll(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = send(fd, p, n, MSG_NOSIGNAL);
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// The type a file is served as: the launcher's web panes show the ".html"
// pages, which the service writes in Shift-JIS; everything else is data.
const char* ContentType(const std::string& path)
{
    size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    if (ext == ".html" || ext == ".htm") return "text/html; charset=Shift_JIS";
    return "application/octet-stream";
}

void Reply(int fd, int status, const std::string& body, long cutAt = -1,
           const char* type = "application/octet-stream", long trickle = 0)
{
    const char* text = status == 200 ? "OK" : status == 404 ? "Not Found" : "Bad Request";
    char head[256];
    int n = std::snprintf(head, sizeof(head),
                          "HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n"
                          "Connection: close\r\n\r\n", status, text, type, body.size());
    SendAll(fd, head, n);
    size_t len = cutAt >= 0 && static_cast<size_t>(cutAt) < body.size() ? static_cast<size_t>(cutAt) : body.size();
    if (trickle <= 0) {
        SendAll(fd, body.data(), len);
        return;
    }
    size_t step = static_cast<size_t>(trickle / 10 > 0 ? trickle / 10 : 1);
    for (size_t at = 0; at < len; at += step) {
        if (!SendAll(fd, body.data() + at, at + step < len ? step : len - at)) return;
        if (at + step < len) usleep(100000);
    }
}

std::string Decoded(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '+') out += ' ';
        else if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += s[i];
    }
    return out;
}

std::string FormValue(const std::string& body, const std::string& key)
{
    size_t p = 0;
    while (p <= body.size()) {
        size_t e = body.find('&', p);
        if (e == std::string::npos) e = body.size();
        std::string pair = body.substr(p, e - p);
        if (pair.compare(0, key.size() + 1, key + "=") == 0) return Decoded(pair.substr(key.size() + 1));
        p = e + 1;
    }
    return "";
}

std::string Header(const std::string& head, const char* name)
{
    std::istringstream ss(head);
    std::string line;
    size_t n = std::strlen(name);
    while (std::getline(ss, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > n && strncasecmp(line.c_str(), name, n) == 0 && line[n] == ':') {
            size_t v = n + 1;
            while (v < line.size() && line[v] == ' ') v++;
            return line.substr(v);
        }
    }
    return "";
}

void Serve(int fd)
{
    std::string req;
    char buf[65536];
    size_t headEnd = std::string::npos;
    while ((headEnd = req.find("\r\n\r\n")) == std::string::npos) {
        ssize_t r = recv(fd, buf, sizeof(buf), 0);
        if (r <= 0 || req.size() > (1 << 20)) { close(fd); return; }
        req.append(buf, static_cast<size_t>(r));
    }
    std::string head = req.substr(0, headEnd);
    std::string body = req.substr(headEnd + 4);
    size_t want = static_cast<size_t>(std::atol(Header(head, "Content-Length").c_str()));
    while (body.size() < want) {
        ssize_t r = recv(fd, buf, sizeof(buf), 0);
        if (r <= 0) break;
        body.append(buf, static_cast<size_t>(r));
    }
    std::istringstream first(head);
    std::string method, target;
    first >> method >> target;
    LogRequest(method, target, Header(head, "User-Agent"), Header(head, "Content-Type"), body);

    Fail fail;
    auto f = g_site.fails.find(target);
    if (f != g_site.fails.end()) fail = f->second;
    if (fail.kind == "close") { close(fd); return; }
    if (fail.kind == "stall") {
        // Hold the connection without a word until the client gives up, or
        // for the given seconds.
        if (fail.arg > 0) {
            timeval tv{};
            tv.tv_sec = fail.arg;
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
        }
        while (recv(fd, buf, sizeof(buf), 0) > 0) {}
        close(fd);
        return;
    }
    if (fail.kind == "404") { Reply(fd, 404, "<html><body>404 Not Found</body></html>"); close(fd); return; }

    std::string out;
    int status = 200;
    const char* type = "application/octet-stream";
    bool isCgi = false;
    for (const auto& c : g_site.cgi) isCgi = isCgi || c == target;
    if (method == "POST" && isCgi) {
        auto u = g_site.users.find(FormValue(body, "userid"));
        if (u != g_site.users.end() && u->second.delay > 0) sleep(static_cast<unsigned>(u->second.delay));
        if (u == g_site.users.end() || u->second.password != FormValue(body, "passwd")) {
            out = "ng,";
        } else if (u->second.raw) {
            bool ok = false;
            out = ReadFile(u->second.reply, &ok);
            if (!ok) out = "err,";
        } else if (u->second.reply == "ng" || u->second.reply == "err" || u->second.reply == "ok") {
            out = u->second.reply + ",";
        } else if (u->second.reply == "empty") {
            out.clear();
        } else {
            bool ok = false;
            out = "ok," + ReadFile(u->second.reply, &ok);
            if (!ok) out = "err,";
        }
    } else if (method == "GET" && target.find("..") == std::string::npos) {
        bool ok = false;
        out = ReadFile(g_site.root + target, &ok);
        if (!ok) { status = 404; out = "<html><body>404 Not Found</body></html>"; }
        else type = ContentType(target);
    } else {
        status = 400;
        out = "bad request";
    }
    if (fail.kind == "oversize") out.append(static_cast<size_t>(fail.arg > 0 ? fail.arg : 1100000), 'x');
    if (fail.kind == "magic" && out.size() >= 8) std::memcpy(&out[0], "XXXXXXXX", 8);
    Reply(fd, status, out, fail.kind == "cut" ? fail.arg : -1, type, fail.kind == "trickle" ? fail.arg : 0);
    close(fd);
}

int Usage()
{
    std::fprintf(stderr, "usage: standin --addr 127.0.0.N --port P --site FILE --root DIR --log FILE [--ready FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string addr, site, log, ready;
    int port = 80;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string k = argv[i], v = argv[i + 1];
        if (k == "--addr") addr = v;
        else if (k == "--port") port = std::atoi(v.c_str());
        else if (k == "--site") site = v;
        else if (k == "--root") g_site.root = v;
        else if (k == "--log") log = v;
        else if (k == "--ready") ready = v;
        else return Usage();
    }
    if (addr.empty() || site.empty() || log.empty()) return Usage();
    in_addr ia{};
    // Loopback only: the stand-in never answers anything but this machine.
    if (inet_pton(AF_INET, addr.c_str(), &ia) != 1 || (ntohl(ia.s_addr) >> 24) != 127) {
        std::fprintf(stderr, "standin: %s is not a loopback address\n", addr.c_str());
        return 2;
    }
    std::string base = site.find('/') == std::string::npos ? "" : site.substr(0, site.rfind('/') + 1);
    if (!LoadSite(site, base)) return 2;
    if (!g_site.root.empty() && g_site.root.back() == '/') g_site.root.pop_back();
    g_log = std::fopen(log.c_str(), "a");
    if (!g_log) { std::perror(log.c_str()); return 1; }
    signal(SIGPIPE, SIG_IGN);

    int s = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr = ia;
    if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(s, 64) != 0) {
        std::fprintf(stderr, "standin: cannot listen on %s:%d: %s\n", addr.c_str(), port, std::strerror(errno));
        return 1;
    }
    if (!ready.empty()) {
        if (FILE* r = std::fopen(ready.c_str(), "w")) { std::fprintf(r, "%d\n", getpid()); std::fclose(r); }
    }
    for (;;) {
        int fd = accept(s, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR) continue;
            break;
        }
        std::thread(Serve, fd).detach();
    }
    return 0;
}

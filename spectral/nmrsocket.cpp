// Socket client and server: remote start through the remote shell, port-file rendezvous, TCP links.
#include "spectral/nmrsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/inquire.h"
#include "foundation/memory.h"
#include "foundation/syscalls.h"
#include "spectral/dataio.h"
#include "spectral/nmrclock.h"
#include "spectral/report.h"
#include "spectral/spawn.h"

namespace korim::spectral {

namespace {

constexpr int kPollMicros = 10000;  // 10 ms between polls
constexpr int kMaxPortNames = 999;

struct SocketModule {
    TimeMark cmndTime{};     // seconds spent in commands
    TimeMark connectTime{};  // seconds spent starting servers
    int listenAny = 0;
};
SocketModule sock;

// Words of a vector as one line for messages.
std::string joinWords(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& w : words) line += (line.empty() ? "" : " ") + w;
    return line;
}

// A word as the remote shell must see it to take it literally.
std::string shellWord(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_./=:,+-@%", c) != nullptr)) plain = false;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int runWords(const std::vector<std::string>& words, int background) {
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    return sysCmnd(argv.data(), background);
}

std::string hostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

// Waits until fd is readable; false after the time-out (seconds).
bool waitReadable(int fd, int seconds) {
    for (long waited = 0; waited <= seconds * 1000000L; waited += kPollMicros) {
        pollfd p{fd, POLLIN, 0};
        const int n = poll(&p, 1, 0);
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
        foundation::uSleep(kPollMicros);
    }
    return false;
}

// Ends the sending side, then reads until the peer has closed, so that the
// data sent last reach it before the socket goes.
void closeGracefully(int fd) {
    shutdown(fd, SHUT_WR);
    char sink[4096];
    while (waitReadable(fd, getPortTimeout())) {
        const ssize_t n = read(fd, sink, sizeof sink);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    close(fd);
}

void closeAbruptly(int fd) {
    linger off{0, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    close(fd);
}

// Writes a whole text to a new descriptor; false with errno on failure.
bool writeText(int fd, const char* text) {
    const size_t len = std::strlen(text);
    return write(fd, text, len) == static_cast<ssize_t>(len);
}

// The server's answer "%d %d" written by putPort: a port of 1 to 65535 and a process number
// above 0, each read whole in decimal (a number beyond the int range is no port, where "%d"
// would wrap it), with nothing but blanks around them.
constexpr size_t kPortTextMax = 64;

bool positiveWord(const char*& at, long limit, int* value) {
    char* end = nullptr;
    if (!std::isdigit(static_cast<unsigned char>(*at))) return false;
    errno = 0;
    const long v = std::strtol(at, &end, 10);
    if (errno == ERANGE || v < 1 || v > limit) return false;
    *value = static_cast<int>(v);
    at = end;
    return true;
}

bool portAnswer(const char* text, int* port, int* pid) {
    const char* at = text;
    auto blanks = [&at] {
        const char* start = at;
        while (*at != '\0' && std::isspace(static_cast<unsigned char>(*at))) at++;
        return at != start;
    };
    blanks();
    if (!positiveWord(at, 65535, port) || !blanks() || !positiveWord(at, INT_MAX, pid)) return false;
    blanks();
    return *at == '\0';
}

void releaseName(ServerInfo* s) {
    if (s->name != nullptr) foundation::unAlloc("sock", s->name, static_cast<int>(std::strlen(s->name)) + 1);
    s->name = nullptr;
}

}  // namespace

void nmrSocketReset() { sock = SocketModule{}; }
void nmrSetListenAny(int anyFlag) { sock.listenAny = anyFlag ? 1 : 0; }
float getCmndSeconds() { return sock.cmndTime.total; }

const char* remoteShell() {
    const char* rsh = std::getenv("NMR_REMOTE_SHELL");
    return rsh != nullptr && rsh[0] != '\0' ? rsh : "rsh";
}

int getPortTimeout() { return getDefTimeout() > 0 ? getDefTimeout() : kPortWaitSeconds; }

int sysCmnd(char* const argv[], int background) {
    markTime(&sock.cmndTime);
    int execErr = 0;
    const int status = background ? spawnDetached(argv, &execErr) : spawnWait(argv, &execErr);
    addElapsed(&sock.cmndTime);
    errno = execErr;
    return status;
}

int isLoopbackHost(const char* host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host == nullptr || getaddrinfo(host, nullptr, &hints, &found) != 0) return 0;
    int loopback = 1;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if ((ntohl(in->sin_addr.s_addr) >> 24) != 127) loopback = 0;
    }
    freeaddrinfo(found);
    return loopback;
}

std::vector<std::string> serverCmnd(int argc, char** argv, const char* host, const char* portFile,
                                    int serverID, int capacity) {
    static const char* const kDropped[] = {"-in", "-out", "-buff", "-ibuff", "-obuff", "-client"};
    std::vector<std::string> remote = {argv[0], "-server", portFile, "-sID", std::to_string(serverID),
                                       "-buff", std::to_string(capacity)};
    if (!isLoopbackHost(host)) remote.push_back("-listenAny");
    for (int i = 1; i < argc; i++) {
        bool drop = false;
        for (const char* d : kDropped) drop = drop || std::strcmp(argv[i], d) == 0;
        if (drop) {
            i++;
            continue;
        }
        remote.push_back(argv[i]);
    }
    std::vector<std::string> words = {remoteShell(), "-n", host};
    for (const std::string& w : remote) words.push_back(shellWord(w));
    return words;
}

int uniqName(const char* dir, const char* prefix, char* name, int nameSize) {
    for (int n = 1; n <= kMaxPortNames; n++) {
        std::snprintf(name, nameSize, "%s/%s%d.%03d", dir, prefix, static_cast<int>(getpid()), n);
        const std::string ready = std::string(name) + ".";
        if (foundation::fileExists0(name) || foundation::fileExists0(ready.c_str())) continue;
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return 1;
        }
        char text[32];
        std::snprintf(text, sizeof text, "pid %d", static_cast<int>(getpid()));
        const bool ok = writeText(fd, text);
        close(fd);
        return ok ? 0 : 1;
    }
    return 1;
}

int getPort(const char* portFile, int* port, int* pid) {
    const std::string ready = std::string(portFile) + ".";
    const long limit = getPortTimeout() * 1000000L;
    long waited = 0;
    while (!foundation::fileExists(ready.c_str())) {
        if (waited >= limit) {
            specMsg("NMRSocket Client Error: no answer in port file %s after %d seconds.\n", portFile,
                    getPortTimeout());
            return -1;
        }
        foundation::uSleep(kPollMicros);
        waited += kPollMicros;
    }
    FILE* in = std::fopen(portFile, "r");
    if (in == nullptr) {
        specSysMsg("NMRSocket Client Error opening port file", errno);
        return -1;
    }
    struct stat st;
    int p = 0, id = 0;
    const bool own = fstat(fileno(in), &st) == 0 && st.st_uid == geteuid() && S_ISREG(st.st_mode);
    char text[kPortTextMax + 1] = {};
    const size_t got = own ? std::fread(text, 1, kPortTextMax + 1, in) : 0;
    const bool ok = got <= kPortTextMax && std::strlen(text) == got && portAnswer(text, &p, &id);
    std::fclose(in);
    if (!ok) {
        specMsg("NMRSocket Client Error reading port ID.\n");
        return 1;
    }
    *port = p;
    *pid = id;
    delFile(portFile);
    delFile(ready.c_str());
    return 0;
}

int putPort(const char* portFile, int port) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d", port, static_cast<int>(getpid()));
    int fd = open(portFile, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        specSysMsg("NMRSocket Server Error opening port file 1", errno);
        return 1;
    }
    bool ok = writeText(fd, text);
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        specSysMsg("NMRSocket Server Error writing port file 1", err);
        return 1;
    }
    const std::string ready = std::string(portFile) + ".";
    fd = open(ready.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0) {
        specSysMsg("NMRSocket Server Error opening port file 2", errno);
        return 1;
    }
    ok = writeText(fd, "READY");
    err = errno;
    close(fd);
    if (!ok) {
        specSysMsg("NMRSocket Server Error writing port file 2", err);
        return 1;
    }
    return 0;
}

int nmrAcceptClient(const char* portFile, int* listenSock, int* msgSock, int verbose) {
    *listenSock = -1;
    *msgSock = -1;
    if (verbose) specMsg("NMRSocket Server %s initializing.\n", hostName().c_str());
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        specSysMsg("NMRSocket Server Error opening socket", errno);
        return 1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(sock.listenAny ? INADDR_ANY : INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    const char* failure = nullptr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        failure = "NMRSocket Server Error binding to socket";
    else if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        failure = "NMRSocket Server Error getting socket name";
    else if (listen(fd, 1) != 0)
        failure = "NMRSocket Server Error listening on socket";
    if (failure != nullptr) {
        specSysMsg(failure, errno);
        close(fd);
        return 1;
    }
    if (putPort(portFile, ntohs(addr.sin_port)) != 0) {
        specMsg("NMRSocket Server Error writing port number.\n");
        close(fd);
        return 1;
    }
    int client = -1;
    while (client < 0 && waitReadable(fd, getPortTimeout())) {
        client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) foundation::uSleep(kPollMicros);
    }
    if (client < 0) {
        specMsg("NMRSocket Server Error: no client connected within %d seconds.\n", getPortTimeout());
        close(fd);
        return 1;
    }
    if (verbose) specMsg("NMRSocket Server %s accepted connection.\n", hostName().c_str());
    *listenSock = fd;
    *msgSock = client;
    return 0;
}

int nmrConnect(const char* host, int port, int* sockOut) {
    *sockOut = -1;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host == nullptr || getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) {
        specMsg("NMRSocket Client Error finding host %s\n", host != nullptr ? host : "");
        return 1;
    }
    sockaddr_in addr = *reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        specSysMsg("NMRSocket Client Error opening socket", errno);
        return 1;
    }
    int status;
    do {
        status = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (status != 0 && errno == EINTR);
    if (status != 0) {
        specSysMsg("NMRSocket Client Error connecting to socket", errno);
        close(fd);
        return 1;
    }
    *sockOut = fd;
    return 0;
}

int setServerIO(int fd, int sendWords, int recvWords) {
    const int on = 1, sendBytes = 4 * sendWords, recvBytes = 4 * recvWords;
    if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0)
        specSysMsg("NMRSocket Client Warning setting SO_KEEPALIVE", errno);
    if (setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBytes, sizeof sendBytes) != 0)
        specSysMsg("NMRSocket Client Warning setting SO_SNDBUF", errno);
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &recvBytes, sizeof recvBytes) != 0)
        specSysMsg("NMRSocket Client Warning setting SO_RCVBUF", errno);
    return 0;
}

int nmrCloseServers(ProcDataInfo* d, int graceful) {
    const bool talk = d->serverMode == kServerServer && d->verbose;
    if (talk) specMsg("NMRSocket Server %s waiting to close connection.\n", hostName().c_str());
    if (d->serverSock >= 0) close(d->serverSock);
    d->serverSock = -1;
    if (d->serverMsgSock >= 0) {
        if (graceful)
            closeGracefully(d->serverMsgSock);
        else
            closeAbruptly(d->serverMsgSock);
        d->serverMsgSock = -1;
        if (d->verbose) specMsg("NMRSocket Server %s closed connection.\n", hostName().c_str());
    }
    for (ServerInfo& s : d->server) {
        if (s.sock < 0) continue;
        if (graceful)
            closeGracefully(s.sock);
        else
            closeAbruptly(s.sock);
        s.sock = -1;
    }
    return 0;
}

int nmrKillServers(ProcDataInfo* d) {
    for (ServerInfo& s : d->server) {
        if (s.name == nullptr) continue;
        // Only a process number a server wrote into our own port file; never 0
        // (that would mean the whole process group on the remote side).
        if (s.pid > 0) {
            const std::vector<std::string> words = {remoteShell(), "-n", s.name, "kill", "-9", std::to_string(s.pid)};
            if (d->debug > 2) specMsg("NMRSocket Kill Command: %s\n", joinWords(words).c_str());
            runWords(words, 1);
        }
        releaseName(&s);
    }
    return 0;
}

int nmrStartServer(int argc, char** argv, const char* portDir, const char* host, int capacity, int* sockOut,
                   int* pid, int serverID, int verbose) {
    char portFile[4096];
    int status = uniqName(portDir, "pipe", portFile, sizeof portFile);
    if (status != 0) {
        specMsg("NMRSocket Client Error finding unique port file.\n");
        return status;
    }
    if (host == nullptr || host[0] == '\0' || host[0] == '-') {
        specMsg("NMRSocket Client Error: bad host name %s.\n", host != nullptr ? host : "");
        delFile(portFile);
        return 1;
    }
    const std::vector<std::string> words = serverCmnd(argc, argv, host, portFile, serverID, capacity);
    if (verbose) specMsg("NMRSocket Client starting server %s.\n", host);
    if (verbose > 2) specMsg(" Command: %s\n", joinWords(words).c_str());
    markTime(&sock.connectTime);
    status = runWords(words, 1);
    addElapsed(&sock.connectTime);
    if (status != 0) {
        specSysMsg("NMRSocket Client Error starting shell", errno != 0 ? errno : ECHILD);
        delFile(portFile);
        return status;
    }
    int port = 0;
    status = getPort(portFile, &port, pid);
    if (status != 0) {
        specMsg("NMRSocket Client Error reading port file %s\n", portFile);
        delFile(portFile);
        delFile((std::string(portFile) + ".").c_str());
        return status;
    }
    if (verbose) specMsg("NMRSocket Client assigned port %d.\n", port);
    if (nmrConnect(host, port, sockOut) != 0) {
        specMsg("NMRSocket Client Error connecting to server %s\n", host);
        return 1;
    }
    if (verbose) specMsg("NMRSocket Client connected on port %d.\n\n", port);
    return 0;
}

int nmrInitServers(ProcDataInfo* d, const char* listName, const char* portDir) {
    markTime(&sock.connectTime);
    if (d->inCapacity < 1) d->inCapacity = 1;
    if (d->outCapacity < 1) d->outCapacity = 1;
    for (ServerInfo& s : d->server) {
        s = ServerInfo{};
        s.sock = -1;
        s.pid = -1;
    }
    int status = readServerList(listName, d->server, kMaxServers, &d->serverCount, "NMRSocket Client ", "sock", 1);
    if (status != 0) return status;
    float smallest = d->server[0].speed;
    for (int i = 1; i < d->serverCount; i++)
        if (d->server[i].speed < smallest) smallest = d->server[i].speed;
    for (int i = 0; i < d->serverCount && status == 0; i++) {
        ServerInfo* s = &d->server[i];
        const double c = static_cast<double>(d->outCapacity) * s->speed / smallest;
        s->capacity = c < 1.0 ? 1 : c > 1.0e9 ? 1000000000 : static_cast<int>(c);
        status = nmrStartServer(d->argc, d->argv, portDir, s->name, s->capacity, &s->sock, &s->pid, i + 1, d->debug);
        if (status != 0) specMsg("NMRSocket Client Error starting server.\n");
    }
    addElapsed(&sock.connectTime);
    return status;
}

}  // namespace korim::spectral

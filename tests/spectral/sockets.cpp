// Socket client and server over 127.0.0.1: port files, remote start through a stand-in shell, lists.
// Run with "-server PORTFILE -sID N -buff C" this program is the server side.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "spectral/dataio.h"
#include "spectral/nmrsocket.h"
#include "tests/support/capture.h"
#include "tests/support/children.h"
#include "tests/support/files.h"

namespace sp = korim::spectral;
using korim_test::captureStderr;

namespace {

constexpr int kFloats = 262144;  // 1 MB
constexpr int kReapSeconds = 30;

std::string selfPath() {
    char buf[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, n) : std::string();
}

// Server side: tells its capacity and number, sends 1 MB of floats, closes gracefully.
int serverMain(int argc, char** argv) {
    int capacity = 0, id = 0;
    for (int i = 1; i + 1 < argc; i++) {
        if (std::strcmp(argv[i], "-buff") == 0) capacity = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "-sID") == 0) id = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "-listenAny") == 0) sp::nmrSetListenAny(1);
    }
    sp::initDataIO();
    auto d = std::make_unique<sp::ProcDataInfo>();
    *d = sp::ProcDataInfo{};
    for (sp::ServerInfo& s : d->server) s.sock = -1;
    d->serverMode = sp::kServerServer;
    if (sp::nmrAcceptClient(argv[2], &d->serverSock, &d->serverMsgSock, 0) != 0) return 2;
    const int head[2] = {capacity, id};
    std::vector<float> data(kFloats);
    for (int i = 0; i < kFloats; i++) data[i] = 0.5f * i;
    if (sp::dataWriteC(d->serverMsgSock, reinterpret_cast<const char*>(head), sizeof head) != 0) return 3;
    if (sp::DataWrite(d->serverMsgSock, data.data(), 4 * kFloats) != 0) return 4;
    sp::nmrCloseServers(d.get(), 1);
    return 0;
}

// Reads what one server sends; true when it is all there, intact, followed by end of stream.
bool receive(int sock, int* capacity, int* id) {
    int head[2];
    std::vector<float> data(kFloats);
    if (sp::dataReadC(sock, reinterpret_cast<char*>(head), sizeof head) != 0) return false;
    if (sp::DataRead(sock, data.data(), 4 * kFloats) != 0) return false;
    *capacity = head[0];
    *id = head[1];
    for (int i = 0; i < kFloats; i++)
        if (data[i] != 0.5f * i) return false;
    char extra;
    return read(sock, &extra, 1) == 0;
}

// Test environment: orphans come back to us, a short wait, a stand-in remote shell first on PATH.
struct SocketEnv {
    korim_test::TempDir dir;
    std::string oldPath = std::getenv("PATH");
    explicit SocketEnv(const std::string& shellBody) {
        korim_test::adoptOrphans();
        setenv("NMR_IO_TIMEOUT", "20", 1);
        unsetenv("NMR_REMOTE_SHELL");
        sp::initDataIO();
        korim_test::writeFile(dir / "rsh", "#!/bin/sh\n" + shellBody);
        chmod((dir / "rsh").c_str(), 0755);
        setenv("PATH", (dir.path + ":" + oldPath).c_str(), 1);
    }
    ~SocketEnv() {
        setenv("PATH", oldPath.c_str(), 1);
        unsetenv("NMR_IO_TIMEOUT");
        unsetenv("NMR_REMOTE_SHELL");
        sp::dataIOReset();
        EXPECT_TRUE(korim_test::reapChildren(kReapSeconds));
    }
};

// Drops "-n HOST" and runs the joined command words with the shell, as a remote shell does.
const char* const kStandInShell = "[ \"$1\" = -n ] && shift\nshift\nexec /bin/sh -c \"$*\"\n";

}  // namespace

TEST(SpecSocket, OneMegabyteArrivesIntactAndPortFilesGo) {
    SocketEnv env(kStandInShell);
    char portFile[512];
    ASSERT_EQ(sp::uniqName(env.dir.path.c_str(), "pipe", portFile, sizeof portFile), 0);
    EXPECT_EQ(korim_test::readFile(portFile), "pid " + std::to_string(getpid()));
    struct stat st;
    ASSERT_EQ(stat(portFile, &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string self = selfPath();
    const pid_t child = fork();
    if (child == 0) {
        execl(self.c_str(), self.c_str(), "-server", portFile, "-sID", "1", "-buff", "8", nullptr);
        _exit(127);
    }
    int port = 0, pid = 0, sock = -1, capacity = 0, id = 0;
    ASSERT_EQ(sp::getPort(portFile, &port, &pid), 0);
    EXPECT_EQ(pid, child);
    EXPECT_FALSE(korim_test::fileExists(portFile) || korim_test::fileExists(std::string(portFile) + "."));
    ASSERT_EQ(sp::nmrConnect("127.0.0.1", port, &sock), 0);
    EXPECT_TRUE(receive(sock, &capacity, &id) && capacity == 8 && id == 1);
    close(sock);
    int status = -1;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SpecSocket, TwoServersStartedThroughTheRemoteShell) {
    SocketEnv env(kStandInShell);
    const std::string list = korim_test::writeFile(env.dir / "servers", "# hosts\nlocalhost 2\nlocalhost 1\n");
    const std::string mark = env.dir / "MARK";
    std::vector<std::string> words = {selfPath(), "-in", "x", "-out", "y", "-client", "z", "-fn", "FT",
                                      "-title", "$(touch " + mark + ")", "it's \"here\""};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    auto d = std::make_unique<sp::ProcDataInfo>();
    *d = sp::ProcDataInfo{};
    d->serverSock = d->serverMsgSock = -1;
    d->argc = static_cast<int>(argv.size());
    d->argv = argv.data();
    d->outCapacity = 8;
    ASSERT_EQ(sp::nmrInitServers(d.get(), list.c_str(), env.dir.path.c_str()), 0);
    ASSERT_EQ(d->serverCount, 2);
    for (int i = 0; i < 2; i++) {  // capacities 16 and 8 for speeds 2 and 1
        int capacity = 0, id = 0;
        EXPECT_TRUE(receive(d->server[i].sock, &capacity, &id) && capacity == 16 / (i + 1) && id == i + 1) << i;
    }
    EXPECT_EQ(captureStderr([&] { sp::showServers(d->server, d->serverCount); }),
              "Host  1:  localhost CPU=0 Partition=0 Speed=2\nHost  2:  localhost CPU=0 Partition=0 Speed=1\n");
    sp::nmrCloseServers(d.get(), 1);
    EXPECT_EQ(d->server[0].sock, -1);
    EXPECT_FALSE(korim_test::fileExists(mark));
}

TEST(SpecSocket, ServerCommandWords) {
    char* argv[] = {(char*)"/bin/proc", (char*)"-in", (char*)"x", (char*)"-out", (char*)"y", (char*)"-client",
                    (char*)"z", (char*)"-fn", (char*)"FT", (char*)"it's"};
    unsetenv("NMR_REMOTE_SHELL");
    const std::vector<std::string> want = {"rsh", "-n", "localhost", "/bin/proc", "-server", "/tmp/p.001", "-sID",
                                           "2", "-buff", "16", "-fn", "FT", "'it'\\''s'"};
    EXPECT_EQ(sp::serverCmnd(10, argv, "localhost", "/tmp/p.001", 2, 16), want);
}

TEST(SpecSocket, StartFailsWithoutARemoteShell) {
    SocketEnv env("exit 0\n");
    setenv("NMR_REMOTE_SHELL", "/nonexistent/rsh", 1);
    char* argv[] = {(char*)"/bin/proc"};
    int sock = -1, pid = -1;
    EXPECT_EQ(captureStderr([&] {
                  EXPECT_NE(sp::nmrStartServer(1, argv, env.dir.path.c_str(), "localhost", 8, &sock, &pid, 1, 0), 0);
              }),
              "NMRSocket Client Error starting shell: No such file or directory\n");
    // A shell that starts nothing: the wait for the port file ends at the time-out.
    unsetenv("NMR_REMOTE_SHELL");
    setenv("NMR_IO_TIMEOUT", "1", 1);
    sp::initDataIO();
    const std::string err = captureStderr([&] {
        EXPECT_EQ(sp::nmrStartServer(1, argv, env.dir.path.c_str(), "localhost", 8, &sock, &pid, 1, 0), -1);
    });
    EXPECT_TRUE(err.find("no answer in port file") != std::string::npos && sock == -1) << err;
}

TEST(SpecSocket, ServerListsAndPartitions) {
    korim_test::TempDir dir;
    sp::ServerInfo s[sp::kMaxServers];
    int count = 0;
    const std::string list = korim_test::writeFile(dir / "list", "a 2 run -x\nb 1\n# c 5\nbad\na 1\nz 0\n");
    ASSERT_EQ(sp::rdServers(list.c_str(), s, sp::kMaxServers, &count), 0);
    ASSERT_EQ(count, 3);
    EXPECT_TRUE(s[0].cpuID == 0 && s[1].cpuID == 0 && s[2].cpuID == 1);
    EXPECT_STREQ(s[0].cmnd, "run -x");
    EXPECT_EQ(sp::setCapacity(s, 3, 8), 0);
    EXPECT_TRUE(s[0].capacity == 16 && s[1].capacity == 8);
    int loc = -1;
    EXPECT_TRUE(sp::getServerLoc(s, 3, "a", 1, &loc) == 0 && loc == 2);
    EXPECT_EQ(sp::getServerLoc(s, 3, "c", 0, &loc), 1);
    sp::freeServers(s, 3);

    for (int i = 0; i < 3; i++) s[i].speed = 1.0f;
    ASSERT_EQ(sp::setPartition(s, 3, 10), 0);
    const int want[3][3] = {{4, 1, 4}, {3, 5, 7}, {3, 8, 10}};
    for (int i = 0; i < 3; i++) {
        int first, last;
        sp::getServerRange(s, i, &first, &last);
        EXPECT_EQ((std::vector<int>{s[i].partition, first, last}), std::vector<int>(want[i], want[i] + 3)) << i;
    }

    // The list holds its capacity, all usable, and refuses one more.
    std::string many;
    for (int i = 0; i < sp::kMaxServers; i++) many += "host" + std::to_string(i) + " 1\n";
    korim_test::writeFile(dir / "many", many);
    EXPECT_TRUE(sp::rdServers((dir / "many").c_str(), s, sp::kMaxServers, &count) == 0 && count == sp::kMaxServers);
    korim_test::writeFile(dir / "many", many + "one-more 1\n");
    EXPECT_EQ(captureStderr([&] { EXPECT_EQ(sp::rdServers((dir / "many").c_str(), s, sp::kMaxServers, &count), 1); }),
              "Server Error in List Length.\n");

    // Port file names run out after 999.
    char name[512];
    for (int n = 1; n <= 999; n++) {
        std::snprintf(name, sizeof name, "%s/pipe%d.%03d", dir.path.c_str(), static_cast<int>(getpid()), n);
        korim_test::writeFile(name, "taken");
    }
    EXPECT_EQ(sp::uniqName(dir.path.c_str(), "pipe", name, sizeof name), 1);
}

TEST(SpecSocket, PortAnswersReadWhole) {
    korim_test::TempDir dir;
    // A port beyond the int range wrapped to port 1 when read with "%d".
    struct Answer { const char* text; int status, port, pid; };
    const Answer answers[] = {{"40123 4567", 0, 40123, 4567}, {" 65535\t9\n", 0, 65535, 9},
                              {"4294967297 5", 1, 0, 0},      {"65536 5", 1, 0, 0},
                              {"80 12 extra", 1, 0, 0},       {"80", 1, 0, 0}};
    for (const Answer& a : answers) {
        const std::string file = korim_test::writeFile(dir / "pipe1.001", a.text);
        korim_test::writeFile(file + ".", "READY");
        int port = 0, pid = 0, status = -9;
        const std::string err = captureStderr([&] { status = sp::getPort(file.c_str(), &port, &pid); });
        EXPECT_TRUE(status == a.status && port == a.port && pid == a.pid) << a.text << ": " << status;
        EXPECT_EQ(err, a.status == 0 ? "" : "NMRSocket Client Error reading port ID.\n") << a.text;
        unlink(file.c_str());
        unlink((file + ".").c_str());
    }
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "-server") == 0) return serverMain(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

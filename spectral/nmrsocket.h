// Socket client and server of the spectral pipeline: remote start, port files, TCP connections.
#pragma once

#include <string>
#include <vector>

#include "spectral/tessmar.h"

namespace korim::spectral {

// Seconds getPort waits for a server's answer when the data layer's default
// time-out (NMR_IO_TIMEOUT) is 0.
constexpr int kPortWaitSeconds = 30;

// Starts every server of a list of "host speed" lines; 0 or 1.
int nmrInitServers(ProcDataInfo* dataInfo, const char* listName, const char* portDir);
// Starts one server through the remote shell and connects to it.
int nmrStartServer(int argc, char** argv, const char* portDir, const char* host, int capacity,
                   int* sock, int* pid, int serverID, int verbose);
// The argument vector that starts a server: remote shell, "-n", host, then the
// remote command: program, "-server", port file, "-sID", id, "-buff", capacity
// ("-listenAny" too for a host that is not this machine's loopback) and the
// caller's arguments without -in, -out, -buff, -ibuff, -obuff, -client and
// their values. The remote shell joins and re-reads its command words, so each
// is quoted for it where needed: no word can run anything.
std::vector<std::string> serverCmnd(int argc, char** argv, const char* host, const char* portFile,
                                    int serverID, int capacity);
// 1 when every address of host is a loopback address.
int isLoopbackHost(const char* host);

// Reserves "dir/prefix<pid>.NNN" (n = 1..999) created exclusively, owner only,
// holding "pid %d". name must hold the path. 0, or 1 when none is free.
int uniqName(const char* dir, const char* prefix, char* name, int nameSize);
// Waits (10 ms polls, up to the time-out) for the server's answer; 0, 1 when
// it cannot be used (not this user's regular file, or not exactly a port of 1 to
// 65535 and a process number above 0 in decimal, with blanks only around them),
// -1 when it cannot be opened or never came.
int getPort(const char* portFile, int* port, int* pid);
// Seconds getPort waits: the data layer's default time-out, or kPortWaitSeconds.
int getPortTimeout();
int putPort(const char* portFile, int port);

// Server side: listens (loopback unless listenAny was set), publishes the port
// and accepts one client. 0 or 1.
int nmrAcceptClient(const char* portFile, int* sock, int* msgSock, int verbose);
// Listening on every address instead of the loopback (servers on other hosts).
void nmrSetListenAny(int anyFlag);
int nmrConnect(const char* host, int port, int* sock);
int setServerIO(int sock, int sendWords, int recvWords);

// Closes the server's and the client's sockets (sending side shut down first,
// so that the last data arrive). Returns 0.
int nmrCloseServers(ProcDataInfo* dataInfo, int graceful);
// Kills the remote server processes whose numbers came from own port files.
int nmrKillServers(ProcDataInfo* dataInfo);
// Runs a program from an argument vector, timed; background runs detached.
// Returns the exit status, or 127 with errno set when it cannot be started.
int sysCmnd(char* const argv[], int background);
// The remote shell command: NMR_REMOTE_SHELL, default "rsh".
const char* remoteShell();
// Seconds spent in commands so far.
float getCmndSeconds();

// Module state back to its start (tests).
void nmrSocketReset();

}  // namespace korim::spectral

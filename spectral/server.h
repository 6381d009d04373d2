// Server lists of the spectral pipeline: hosts with relative speeds, capacities and slice partitions.
#pragma once

namespace korim::spectral {

// Most servers one client keeps.
constexpr int kMaxServers = 64;

// One server process.
struct ServerInfo {
    char* name;      // host name (owned)
    char* cmnd;      // optional command text (owned)
    int cpuID;       // 0 for the first entry of a host, 1 for its second, ...
    int pid;         // process number of the server, -1 or 0 when none
    int sock;        // connected socket, -1 when closed
    int partition;   // slices assigned
    int capacity;    // buffer size given to the server, in vectors
    float speed;     // relative speed, > 0
};
using Server = ServerInfo;

// Reads a list of "host speed [command...]" lines ("#" comments) into at most
// capacity records (tag "server"). An empty name gives 0 entries and 0.
int rdServers(const char* fileName, ServerInfo* servers, int capacity, int* count);
int nullServer(ServerInfo* server);
// capacity of each = speed x capacity / smallest speed, at least 1.
int setCapacity(ServerInfo* servers, int count, int capacity);
// partition of each = speed x total / sum of speeds, the remainder to the first.
int setPartition(ServerInfo* servers, int count, int total);
// index (from 0) of the record of host (this host when null) and processor; 1 when none.
int getServerLoc(const ServerInfo* servers, int count, const char* host, int cpuID, int* index);
// First and last slice (from 1) of server index (from 0).
int getServerRange(const ServerInfo* servers, int index, int* first, int* last);
int showServers(const ServerInfo* servers, int count);
int freeServers(ServerInfo* servers, int count);

// Shared by the list reader and the client start: lines of a list file into
// records. prefix leads every message ("Server " or "NMRSocket Client "),
// nameTag is the allocation tag of the copied names; exactTwo takes only lines
// of two words and keeps no command. 0 or a non-zero status.
int readServerList(const char* fileName, ServerInfo* servers, int capacity, int* count,
                   const char* prefix, const char* nameTag, int exactTwo);
// Partitions total slices by speed: 0, 1 for bad speeds, 2 when the remainder
// leaves the first partition negative.
int splitBySpeed(ServerInfo* servers, int count, int total);

}  // namespace korim::spectral

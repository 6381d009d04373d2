// Server lists: reading, processor numbers, capacities and partitions of slices by speed.
#include "spectral/server.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/memory.h"
#include "foundation/rdtext.h"
#include "foundation/token.h"
#include "spectral/report.h"

namespace korim::spectral {

namespace {

constexpr const char* kServerTag = "server";

// Line list of rdText, released on every path.
struct TextLines {
    char** lines = nullptr;
    ~TextLines() {
        if (lines != nullptr) foundation::freeText(lines);
    }
};

void releaseText(const char* tag, char** text) {
    if (*text != nullptr) foundation::unAlloc(tag, *text, static_cast<int>(std::strlen(*text)) + 1);
    *text = nullptr;
}

int clampInt(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : -2147483647 - 1;
    return v >= 2147483647.0 ? 2147483647 : static_cast<int>(v);
}

// One list line: 0 skipped or stored, else a status after a message.
int storeLine(const char* line, ServerInfo* srv, int capacity, int* count, const char* prefix,
              const char* nameTag, int exactTwo) {
    const int words = foundation::cntToken(line);
    if (line[0] == '#' || words < 2 || (exactTwo && words != 2)) return 0;
    const std::string host = foundation::getToken(1, line);
    float speed;
    char tail;
    if (std::sscanf(foundation::getToken(2, line), "%f%c", &speed, &tail) != 1 || !std::isfinite(speed)) {
        specMsg("%sError in Server List.\n", prefix);
        return 1;
    }
    if (speed <= 0.0f) return 0;
    if (*count >= capacity) {
        specMsg("%sError in List Length.\n", prefix);
        return 1;
    }
    ServerInfo* s = &srv[*count];
    s->name = foundation::strDup2(nameTag, host.c_str());
    if (s->name == nullptr) {
        specMsg("%sName Memory Error.\n", prefix);
        return 1;
    }
    s->speed = speed;
    if (!exactTwo && words > 2) {
        s->cmnd = foundation::strDup2(kServerTag, foundation::rightToken(3, line));
        if (s->cmnd == nullptr) {
            specMsg("%sCommand Memory Error.\n", prefix);
            return 1;
        }
    }
    (*count)++;
    return 0;
}

}  // namespace

int readServerList(const char* fileName, ServerInfo* servers, int capacity, int* count,
                   const char* prefix, const char* nameTag, int exactTwo) {
    *count = 0;
    TextLines text;
    int lineCount = 0, error = 0;
    text.lines = foundation::rdText(fileName, &lineCount, &error);
    if (text.lines == nullptr) {
        specMsg("%sError reading server list %s\n", prefix, fileName);
        return error != 0 ? error : 1;
    }
    for (int i = 0; i < lineCount; i++) {
        const int status = storeLine(text.lines[i], servers, capacity, count, prefix, nameTag, exactTwo);
        if (status != 0) return status;
    }
    if (*count == 0) {
        specMsg("%sError: Null Server List.\n", prefix);
        return 1;
    }
    return 0;
}

int rdServers(const char* fileName, ServerInfo* servers, int capacity, int* count) {
    for (int i = 0; i < capacity; i++) servers[i] = ServerInfo{};
    *count = 0;
    if (fileName == nullptr || fileName[0] == '\0') return 0;
    const int status = readServerList(fileName, servers, capacity, count, "Server ", kServerTag, 0);
    if (status != 0) return status;
    for (int i = 0; i < *count; i++) {
        for (int j = 0; j < i; j++)
            if (std::strcmp(servers[j].name, servers[i].name) == 0) servers[i].cpuID++;
    }
    return 0;
}

int nullServer(ServerInfo* server) {
    server->name = nullptr;
    server->cmnd = nullptr;
    server->pid = 0;
    server->cpuID = 0;
    server->capacity = 0;
    server->partition = 0;
    server->speed = 0.0f;
    return 0;
}

int setCapacity(ServerInfo* servers, int count, int capacity) {
    float smallest = 0.0f;
    for (int i = 0; i < count; i++)
        if (i == 0 || servers[i].speed < smallest) smallest = servers[i].speed;
    if (!(smallest > 0.0f)) {
        specMsg("Server Error in Server Speeds.\n");
        return 1;
    }
    for (int i = 0; i < count; i++) {
        const int c = clampInt(static_cast<double>(servers[i].speed) * capacity / smallest);
        servers[i].capacity = c < 1 ? 1 : c;
    }
    return 0;
}

int splitBySpeed(ServerInfo* servers, int count, int total) {
    double sum = 0.0;
    for (int i = 0; i < count; i++) sum += servers[i].speed;
    if (count < 1 || !(sum > 0.0) || !std::isfinite(sum)) return 1;
    long long used = 0;
    for (int i = 0; i < count; i++) {
        servers[i].partition = clampInt(servers[i].speed * static_cast<double>(total) / sum);
        used += servers[i].partition;
    }
    const long long first = servers[0].partition + (total - used);
    servers[0].partition = clampInt(static_cast<double>(first));
    return first < 0 ? 2 : 0;
}

int setPartition(ServerInfo* servers, int count, int total) {
    const int status = splitBySpeed(servers, count, total);
    if (status == 1) specMsg("Server Error in Server Speeds.\n");
    if (status == 2) specMsg("Server Error adjusting partitions.\n");
    return status != 0 ? 1 : 0;
}

int getServerLoc(const ServerInfo* servers, int count, const char* host, int cpuID, int* index) {
    char here[256] = {};
    if (host == nullptr) {
        gethostname(here, sizeof here - 1);
        host = here;
    }
    for (int i = 0; i < count; i++) {
        if (servers[i].name != nullptr && std::strcmp(servers[i].name, host) == 0 && servers[i].cpuID == cpuID) {
            *index = i;
            return 0;
        }
    }
    return 1;
}

int getServerRange(const ServerInfo* servers, int index, int* first, int* last) {
    int prevLast = 0;
    for (int i = 0; i < index; i++) prevLast += servers[i].partition;
    *first = prevLast + 1;
    *last = *first + servers[index].partition - 1;
    return 0;
}

int showServers(const ServerInfo* servers, int count) {
    for (int i = 0; i < count; i++)
        specMsg("Host %2d: %10s CPU=%d Partition=%d Speed=%g\n", i + 1,
                servers[i].name != nullptr ? servers[i].name : "", servers[i].cpuID, servers[i].partition,
                static_cast<double>(servers[i].speed));
    return 0;
}

int freeServers(ServerInfo* servers, int count) {
    for (int i = 0; i < count; i++) {
        releaseText(kServerTag, &servers[i].name);
        releaseText(kServerTag, &servers[i].cmnd);
        servers[i] = ServerInfo{};
    }
    return 0;
}

}  // namespace korim::spectral

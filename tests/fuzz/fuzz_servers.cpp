// Fuzz target: a server list of the spectral pipeline.
#include <cstddef>
#include <cstdint>

#include "spectral/server.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::spectral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string name = korim::fuzz::inputFile(data, size, "servers.txt");
  ServerInfo servers[kMaxServers];
  for (ServerInfo& s : servers) nullServer(&s);
  int count = 0;
  if (rdServers(name.c_str(), servers, kMaxServers, &count) == 0 && count > 0) {
    setCapacity(servers, count, 64);
    setPartition(servers, count, 1000);
  }
  freeServers(servers, kMaxServers);
  return 0;
}

// Fuzz target: the port file a server answers with (getPort). The input is the port file; its
// ready mark is written beside it, so that the reader never waits. No socket is opened.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "spectral/nmrsocket.h"
#include "tests/fuzz/fuzz_file.h"

using namespace korim::spectral;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = korim::fuzz::inputDir("port");
  const std::string portFile = dir + "/pipe1.001", ready = portFile + ".";
  korim::fuzz::writeBytes(portFile, data, size);
  korim::fuzz::writeBytes(ready, reinterpret_cast<const uint8_t*>("READY"), 5);
  int port = 0, pid = 0;
  if (getPort(portFile.c_str(), &port, &pid) == 0 && (port < 1 || port > 65535 || pid < 1)) __builtin_trap();
  unlink(portFile.c_str());
  unlink(ready.c_str());
  return 0;
}

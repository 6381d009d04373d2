// Shared by the fuzz targets: the fuzzer's bytes as a file of their own, read as the program reads files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korim::fuzz {

// Writes the bytes to a file of this process (one per tag) and returns its name.
std::string inputFile(const uint8_t* data, size_t size, const char* tag);

// The bytes split into words at white space and zero bytes (empty words dropped), at most
// maxWords; used to build argument vectors.
std::vector<std::string> inputWords(const uint8_t* data, size_t size, size_t maxWords);

}  // namespace korim::fuzz

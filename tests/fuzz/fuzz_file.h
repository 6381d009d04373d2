// Shared by the fuzz targets: the fuzzer's bytes as a file (or a directory of files) of their own,
// read as the program reads files.
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

// An argument vector: pointers to prog and the words, then a null; argc is its size less 1.
// The texts stay with the caller and must outlive it.
std::vector<char*> argVector(std::string& prog, std::vector<std::string>& words);

// A directory of this process (one per tag), made on first use and removed at exit once empty.
std::string inputDir(const char* tag);

// Writes the bytes to path (replacing it); aborts when it cannot.
void writeBytes(const std::string& path, const uint8_t* data, size_t size);

// One part of an input that holds several files: a choice byte, then the part's bytes.
struct InputPart {
  uint8_t choice;
  const uint8_t* data;
  size_t size;
};

// The bytes split into parts, each a choice byte, a length of two bytes (little-endian) and that
// many bytes (fewer when the input ends first); at most maxParts.
std::vector<InputPart> inputParts(const uint8_t* data, size_t size, size_t maxParts);

}  // namespace korim::fuzz

// printf-style appending to a std::string, for texts built in pieces before they are written.
#pragma once

#include <string>
#include <vector>

namespace korim::foundation {

// Appends the text of fmt and its arguments to out, which grows as needed; an encoding error of
// the C library appends nothing.
__attribute__((format(printf, 2, 3))) void appendf(std::string& out, const char* fmt, ...);

// The items as a message lists them: "a", "a and b", "a, b and c"; "" for none.
std::string listedItems(const std::vector<std::string>& items);

}  // namespace korim::foundation

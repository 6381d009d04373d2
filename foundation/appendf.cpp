// printf-style appending to a std::string.
#include "foundation/appendf.h"

#include <cstdarg>
#include <cstdio>

namespace korim::foundation {

void appendf(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  if (n > 0) {
    std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&out[old], static_cast<std::size_t>(n) + 1, fmt, ap2);
    out.resize(old + static_cast<std::size_t>(n));
  }
  va_end(ap2);
}

std::string listedItems(const std::vector<std::string>& items) {
  std::string text = items.empty() ? std::string() : items[0];
  for (size_t n = 1; n < items.size(); n++) text += (n + 1 < items.size() ? ", " : " and ") + items[n];
  return text;
}

}  // namespace korim::foundation

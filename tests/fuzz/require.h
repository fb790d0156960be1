// What a fuzz target checks beyond the sanitizers: a broken promise prints what it was and
// aborts, which libFuzzer reports as a crash and keeps the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace orvane_fuzz {

inline void Require(bool kept, const char* promise) {
  if (kept) return;
  std::fprintf(stderr, "fuzz: broken promise: %s\n", promise);
  std::abort();
}

// A message the programs print as one line: no line break inside or at the end.
inline bool OneLine(std::string_view message) {
  return !message.empty() && message.find('\n') == std::string_view::npos &&
         message.find('\r') == std::string_view::npos;
}

}  // namespace orvane_fuzz

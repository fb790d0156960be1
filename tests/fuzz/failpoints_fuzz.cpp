// Fuzz target: the failpoint parser (ORVANE_FAILPOINTS) on any text. What it accepts names a
// failable operation and a call from 1, and reads back the same when written out again; what it
// refuses gets one line naming the variable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/trace/trace.h"
#include "tests/fuzz/require.h"

using orvane_fuzz::OneLine;
using orvane_fuzz::Require;

namespace {

std::string Written(const std::vector<trace::Failpoint>& points) {
  std::string text;
  for (const trace::Failpoint& point : points) {
    const trace::OpName& name = trace::NameOf(point.op);
    text += std::string(name.interface) + "." + std::string(name.operation) + "@" +
            std::to_string(point.call) + (point.andLater ? "+" : "") + ";";
  }
  return text;
}

bool Same(const std::vector<trace::Failpoint>& a, const std::vector<trace::Failpoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].op != b[i].op || a[i].call != b[i].call || a[i].andLater != b[i].andLater) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<trace::Failpoint> points;
  try {
    points = trace::ParseFailpoints(text);
  } catch (const trace::BadEnvironment& e) {
    const std::string_view message = e.what();
    Require(OneLine(message), "the message is one line");
    Require(message.starts_with("ORVANE_FAILPOINTS: "), "the message names the variable");
    return 0;
  }
  for (const trace::Failpoint& point : points) {
    Require(point.op < trace::Op::Count, "a failpoint names an operation");
    Require(trace::NameOf(point.op).failable, "a failpoint names a failable operation");
    Require(point.call >= 1, "a failpoint's call counts from 1");
  }
  Require(Same(trace::ParseFailpoints(Written(points)), points),
          "failpoints written out read back the same");
  return 0;
}

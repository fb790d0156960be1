#include "platform/trace/trace.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace trace {
namespace {

constexpr std::size_t kOps = static_cast<std::size_t>(Op::Count);

constexpr std::array<OpName, kOps> kNames = {{
    {"Root", "DirectDrawCreate", true},
    {"Root", "DirectInputCreate", true},
    {"DirectDraw7", "SetCooperativeLevel", true},
    {"DirectDraw7", "SetDisplayMode", true},
    {"DirectDraw7", "CreateSurface", true},
    {"DirectDraw7", "CreateSurfaceFromResource", true},
    {"DirectDraw7", "RestoreDisplayMode", true},
    {"DirectDrawSurface7", "GetAttachedSurface", true},
    {"DirectDrawSurface7", "SetForeColor", true},
    {"DirectDrawSurface7", "SetColorKey", true},
    {"DirectDrawSurface7", "BltColorFill", true},
    {"DirectDrawSurface7", "DrawText", true},
    {"DirectDrawSurface7", "Blt", true},
    {"DirectDrawSurface7", "Flip", true},
    {"DirectDrawSurface7", "Release", false},
    {"DirectInput", "CreateDevice", true},
    {"DirectInputDevice", "SetCommonDataFormat", true},
    {"DirectInputDevice", "SetCooperativeLevel", true},
    {"DirectInputDevice", "Acquire", true},
    {"DirectInputDevice", "GetDeviceStateKeyboard", true},
    {"DirectInputDevice", "Unacquire", true},
    {"Runtime", "ShowForm", true},
    {"Runtime", "DoEvents", true},
    {"Runtime", "Raise", false},
    {"Runtime", "Report", false},
    {"Runtime", "End", false},
}};

struct State {
  std::FILE* file = nullptr;
  bool ownsFile = false;
  bool writeFailed = false;
  std::vector<Failpoint> failpoints;
  std::array<std::uint64_t, kOps> calls{};
};

State& state() {
  static State s;
  return s;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 32) {
      out += '?';
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

const OpName& NameOf(Op op) { return kNames[static_cast<std::size_t>(op)]; }

std::vector<Failpoint> ParseFailpoints(std::string_view text) {
  std::vector<Failpoint> result;
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    std::string_view part = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t')) part.remove_prefix(1);
    while (!part.empty() && (part.back() == ' ' || part.back() == '\t')) part.remove_suffix(1);
    if (part.empty()) continue;

    const std::size_t at = part.find('@');
    if (at == std::string_view::npos) {
      throw BadEnvironment("ORVANE_FAILPOINTS: " + Quote(part) +
                           " needs a call number: Interface.Operation@N or @N+");
    }
    const std::string_view name = part.substr(0, at);
    std::string_view number = part.substr(at + 1);
    Failpoint point{Op::Count, 0, false};
    for (std::size_t i = 0; i < kOps; ++i) {
      const OpName& n = kNames[i];
      if (name.size() == n.interface.size() + 1 + n.operation.size() &&
          name.substr(0, n.interface.size()) == n.interface && name[n.interface.size()] == '.' &&
          name.substr(n.interface.size() + 1) == n.operation) {
        point.op = static_cast<Op>(i);
        break;
      }
    }
    if (point.op == Op::Count) {
      throw BadEnvironment("ORVANE_FAILPOINTS: unknown operation " + Quote(name));
    }
    if (!NameOf(point.op).failable) {
      throw BadEnvironment("ORVANE_FAILPOINTS: " + Quote(name) + " cannot fail");
    }
    if (!number.empty() && number.back() == '+') {
      point.andLater = true;
      number.remove_suffix(1);
    }
    const char* first = number.data();
    const char* last = first + number.size();
    auto [ptr, ec] = std::from_chars(first, last, point.call);
    if (number.empty() || ec != std::errc{} || ptr != last || point.call == 0) {
      throw BadEnvironment("ORVANE_FAILPOINTS: " + Quote(part) +
                           " needs a call number from 1 up after '@', got " + Quote(number));
    }
    result.push_back(point);
  }
  return result;
}

void Open(const char* traceVariable, const char* failpointsVariable) {
  State& s = state();
  if (failpointsVariable != nullptr) s.failpoints = ParseFailpoints(failpointsVariable);
  if (traceVariable != nullptr) {
    const std::string_view path = traceVariable;
    if (path.empty()) throw BadEnvironment("ORVANE_TRACE: empty; give a file path or -");
    if (path == "-") {
      s.file = stderr;
    } else {
      s.file = std::fopen(traceVariable, "w");
      if (s.file == nullptr) {
        throw BadEnvironment("ORVANE_TRACE: cannot write " + Quote(path) + ": " +
                             std::strerror(errno));
      }
      s.ownsFile = true;
    }
  }
}

void Close() {
  State& s = state();
  if (s.file != nullptr && s.ownsFile) std::fclose(s.file);
  s.file = nullptr;
  s.ownsFile = false;
}

bool Tracing() { return state().file != nullptr; }
bool WriteFailed() { return state().writeFailed; }

void Args::Put(std::string_view text) {
  // A line longer than the buffer is cut short; the trace stays one line per operation.
  const std::size_t room = sizeof(text_) - length_;
  const std::size_t n = text.size() < room ? text.size() : room;
  std::memcpy(text_ + length_, text.data(), n);
  length_ += n;
}

void Args::Separate() {
  if (!first_) Put(", ");
  first_ = false;
}

Args& Args::Int(std::int64_t value) {
  Separate();
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof(digits), value);
  Put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  return *this;
}

Args& Args::Str(std::string_view value) {
  Separate();
  Put(Quote(value));
  return *this;
}

Args& Args::Bool(bool value) {
  Separate();
  Put(value ? "true" : "false");
  return *this;
}

Args& Args::Nothing() {
  Separate();
  Put("nothing");
  return *this;
}

Args& Args::Surface(int id) {
  if (id == 0) return Nothing();
  Separate();
  Put("#");
  first_ = true;
  Int(id);
  first_ = false;
  return *this;
}

Args& Args::Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  Separate();
  Put("(");
  first_ = true;
  Int(left).Int(top).Int(right).Int(bottom);
  Put(")");
  first_ = false;
  return *this;
}

Args& Args::Record(std::initializer_list<std::pair<std::string_view, std::int64_t>> fields,
                   bool skipZero) {
  Separate();
  Put("{");
  bool firstField = true;
  for (const auto& [name, value] : fields) {
    if (skipZero && value == 0) continue;
    if (!firstField) Put(", ");
    firstField = false;
    Put(name);
    Put("=");
    first_ = true;
    Int(value);
  }
  Put("}");
  first_ = false;
  return *this;
}

Call::Call(Op op, int instance)
    : op_(op), instance_(instance), tracing_(Tracing()), injected_(false) {
  State& s = state();
  const std::uint64_t n = ++s.calls[static_cast<std::size_t>(op)];
  for (const Failpoint& point : s.failpoints) {
    if (point.op == op && (n == point.call || (point.andLater && n > point.call))) {
      injected_ = true;
    }
  }
}

void Call::Write(std::string_view result) {
  if (!tracing_) return;
  std::FILE* file = state().file;
  if (file == nullptr) return;
  const OpName& name = NameOf(op_);
  std::fwrite(name.interface.data(), 1, name.interface.size(), file);
  if (instance_ != 0) std::fprintf(file, "#%d", instance_);
  std::fputc('.', file);
  std::fwrite(name.operation.data(), 1, name.operation.size(), file);
  std::fputc('(', file);
  std::fwrite(args_.text_, 1, args_.length_, file);
  std::fputc(')', file);
  std::fwrite(result.data(), 1, result.size(), file);
  std::fputc('\n', file);
  if (std::fflush(file) != 0 || std::ferror(file)) {
    // A trace that cannot be written is said once; the run goes on without it.
    std::fprintf(stderr, "%s: ORVANE_TRACE: cannot write the trace: %s\n",
                 program_invocation_short_name, std::strerror(errno));
    Close();
    state().writeFailed = true;
  }
}

void Call::Ok() { Write(" -> ok"); }

void Call::Ok(int surface) {
  if (!tracing_) return;
  char text[32];
  std::snprintf(text, sizeof(text), " -> ok #%d", surface);
  Write(text);
}

void Call::Fail(std::int32_t code, std::string_view text) {
  if (!tracing_) return;
  Write(" -> fail " + std::to_string(code) + " " + Quote(text));
}

void Call::Value(std::int64_t value) {
  if (!tracing_) return;
  Write(" -> " + std::to_string(value));
}

void Call::Done() { Write(""); }

}  // namespace trace

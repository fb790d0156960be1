// The one door every platform operation passes through.
//
// Each service operation opens a `Call` as it starts. The call is counted, the failpoints decide
// whether this call fails, and as the operation returns the call writes one line to the trace:
//
//   Interface[#N].Operation(ARG, ...) -> ok | ok #M | fail CODE "description"
//
// Called by: the services in runtime/, directdraw/ and directinput/; configured once at start by
// the run time through `Open` (ORVANE_TRACE, ORVANE_FAILPOINTS).
// Guarantees: while no trace is open nothing is formatted and nothing is allocated; a failpoint
// check is one counter increment and a compare. Lines are flushed as they are written, so a trace
// is complete up to the last operation even when the process ends at once.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trace {

// Every traced operation, by interface.
enum class Op {
  RootDirectDrawCreate,
  RootDirectInputCreate,
  DirectDrawSetCooperativeLevel,
  DirectDrawSetDisplayMode,
  DirectDrawCreateSurface,
  DirectDrawCreateSurfaceFromResource,
  DirectDrawRestoreDisplayMode,
  SurfaceGetAttachedSurface,
  SurfaceSetForeColor,
  SurfaceSetColorKey,
  SurfaceBltColorFill,
  SurfaceDrawText,
  SurfaceBlt,
  SurfaceFlip,
  SurfaceRelease,
  InputCreateDevice,
  DeviceSetCommonDataFormat,
  DeviceSetCooperativeLevel,
  DeviceAcquire,
  DeviceGetDeviceStateKeyboard,
  DeviceUnacquire,
  RuntimeShowForm,
  RuntimeDoEvents,
  RuntimeRaise,
  RuntimeReport,
  RuntimeEnd,
  Count
};

struct OpName {
  std::string_view interface;
  std::string_view operation;
  bool failable;
};
const OpName& NameOf(Op op);

// A bad value in the platform environment (or a key script it names). The message is one line
// that names the variable and, where there is one, the file and line.
struct BadEnvironment : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Failpoint {
  Op op;
  std::uint64_t call;  // the N-th call of the operation in this process, from 1
  bool andLater;       // N+: that call and every later one
};

// Parses "Interface.Operation@N[+];..." (empty parts are allowed). Throws BadEnvironment.
std::vector<Failpoint> ParseFailpoints(std::string_view text);

// Reads ORVANE_TRACE and ORVANE_FAILPOINTS (null = unset). Throws BadEnvironment.
void Open(const char* traceVariable, const char* failpointsVariable);
// Flushes and closes the trace file.
void Close();
bool Tracing();
// The trace could not be written (said once on standard error); the run ends with status 2.
bool WriteFailed();

// The argument list of one trace line. Only built while tracing.
class Args {
 public:
  Args& Int(std::int64_t value);
  Args& Str(std::string_view value);
  Args& Bool(bool value);
  Args& Nothing();
  Args& Surface(int id);  // "#3", or "nothing" for 0
  Args& Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  // "{name=value, ...}"; with skipZero, fields that are zero are left out.
  Args& Record(std::initializer_list<std::pair<std::string_view, std::int64_t>> fields,
               bool skipZero);

 private:
  friend class Call;
  void Put(std::string_view text);
  void Separate();
  char text_[384];
  std::size_t length_ = 0;
  bool first_ = true;
};

class Call {
 public:
  // instance: the surface number for DirectDrawSurface7, else 0.
  explicit Call(Op op, int instance = 0);
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  // The arguments to fill in, or null while no trace is open.
  Args* args() { return tracing_ ? &args_ : nullptr; }
  // True when a failpoint makes this call fail.
  bool injected() const { return injected_; }

  void Ok();
  void Ok(int surface);
  void Fail(std::int32_t code, std::string_view text);
  void Value(std::int64_t value);  // "-> VALUE"
  void Done();                     // no result part

 private:
  void Write(std::string_view result);
  Op op_;
  int instance_;
  bool tracing_;
  bool injected_;
  Args args_;
};

}  // namespace trace

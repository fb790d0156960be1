#include "platform/runtime/runtime.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/drivers/driver.h"

namespace runtime {
namespace {

struct State {
  Long window = 0;
  bool raised = false;    // an error was raised during the run
  bool reported = false;  // an error reached the run time
};

State& state() {
  static State s;
  return s;
}

const char* ProgramName() { return program_invocation_short_name; }

[[noreturn]] void EndWith(int status) {
  try {
    drivers::Close();
  } catch (const trace::BadEnvironment& e) {
    std::fprintf(stderr, "%s: %s\n", ProgramName(), e.what());
    status = 2;
  }
  if (trace::WriteFailed()) status = 2;
  trace::Call call(trace::Op::RuntimeEnd);
  if (trace::Args* a = call.args()) a->Int(status);
  call.Done();
  trace::Close();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}

[[noreturn]] void Report(Long code, std::string_view text) {
  state().reported = true;
  trace::Call call(trace::Op::RuntimeReport);
  if (trace::Args* a = call.args()) a->Int(code).Str(text);
  call.Done();
  const std::string message =
      "run-time error " + std::to_string(code) + ": " + std::string(text);
  std::fprintf(stderr, "%s: %s\n", ProgramName(), message.c_str());
  drivers::video().ShowReport(message);
  EndWith(2);
}

[[noreturn]] void BadEnvironmentExit(const trace::BadEnvironment& e) {
  std::fprintf(stderr, "%s: %s\n", ProgramName(), e.what());
  EndWith(2);
}

}  // namespace

void Open(const FormSettings& form) {
  try {
    trace::Open(std::getenv("ORVANE_TRACE"), std::getenv("ORVANE_FAILPOINTS"));
    drivers::Open();
    const drivers::WindowSettings window{form.caption,
                                         form.widthTwips / 15,
                                         form.heightTwips / 15,
                                         form.backColor,
                                         form.borderStyle != 0,
                                         form.showInTaskbar};
    state().window = drivers::video().CreateWindow(window);
  } catch (const trace::BadEnvironment& e) {
    // Nothing is drawn: the environment is refused before the form loads.
    std::fprintf(stderr, "%s: %s\n", ProgramName(), e.what());
    std::_Exit(2);
  }
}

void Start(const FormSettings& form, void (*formLoad)()) {
  Open(form);
  try {
    formLoad();
    End();
  } catch (const Error& e) {
    Report(e.code(), e.what());
  } catch (const trace::BadEnvironment& e) {
    BadEnvironmentExit(e);
  } catch (const std::bad_alloc&) {
    Report(7, "Out of memory");
  } catch (const std::exception& e) {
    Report(51, e.what());
  }
}

Long hWnd() { return state().window; }

void ShowForm() {
  trace::Call call(trace::Op::RuntimeShowForm);
  Enter(call);
  drivers::video().ShowWindow();
  call.Ok();
}

void DoEvents() {
  trace::Call call(trace::Op::RuntimeDoEvents);
  Enter(call);
  drivers::video().HandleMessages();
  call.Ok();
}

void End() {
  const State& s = state();
  EndWith(s.reported ? 2 : s.raised ? 1 : 0);
}

void Raise(Long code, std::string_view text) {
  trace::Call call(trace::Op::RuntimeRaise);
  if (trace::Args* a = call.args()) a->Int(code).Str(text);
  call.Done();
  state().raised = true;
  throw Error(code, std::string(text));
}

Integer AddInteger(Integer a, Integer b) {
  const int sum = a + b;
  if (sum > INT16_MAX || sum < INT16_MIN) Raise(kOverflow, "Overflow");
  return static_cast<Integer>(sum);
}

Integer SubtractInteger(Integer a, Integer b) {
  const int difference = a - b;
  if (difference > INT16_MAX || difference < INT16_MIN) Raise(kOverflow, "Overflow");
  return static_cast<Integer>(difference);
}

void CheckIndex(Long index, Long lower, Long upper) {
  if (index < lower || index > upper) Raise(kSubscriptOutOfRange, "Subscript out of range");
}

void RaiseNothing() { Raise(kObjectNotSet, "Object variable not set"); }

void Enter(trace::Call& call) {
  if (call.injected()) Fail(call, kInjectedFailure, "injected failure");
}

void Fail(trace::Call& call, Long code, std::string_view text) {
  call.Fail(code, text);
  state().raised = true;
  throw Error(code, std::string(text));
}

}  // namespace runtime

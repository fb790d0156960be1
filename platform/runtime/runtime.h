// The form run time: the one start-up form and its window, showing it, handling pending window
// messages, the end of the process, and run-time errors.
//
// Errors: a failed platform operation or the program itself raises a `runtime::Error` (a C++
// exception). A handler is a `catch (const runtime::Error&)`; an error raised inside a running
// handler leaves it, so it goes to the next handler up the calls. An error that no handler takes
// reaches `Start`, which reports it (standard error, and where a display exists a message box)
// and ends the process. Ending the process is not an error: `End` never returns and runs no
// program code after it, so no handler can take it.
//
// Exit status: 0 when no error was raised, 1 when every error raised was taken by a handler, 2
// when an error was reported or the platform environment was bad.
//
// Called by: the program's entry (`Start`), the shell (show, messages, end, arithmetic), the
// display and keyboard modules (the window handle), and the platform services (`Enter`, `Fail`).
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "platform/trace/trace.h"

namespace runtime {

// The run time's value types.
using Integer = std::int16_t;
using Long = std::int32_t;
using Single = float;
using Boolean = std::int16_t;  // true is -1, false 0
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

// Codes of the errors the run time raises itself.
inline constexpr Long kOverflow = 6;
inline constexpr Long kSubscriptOutOfRange = 9;
inline constexpr Long kObjectNotSet = 91;
// The code of a failure injected by a failpoint (the platform's unspecified failure).
inline constexpr Long kInjectedFailure = -2147467259;

class Error : public std::exception {
 public:
  Error(Long code, std::string text) : code_(code), text_(std::move(text)) {}
  Long code() const { return code_; }
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  Long code_;
  std::string text_;
};

// The design-time settings of the start-up form, given by the shell.
struct FormSettings {
  std::string_view caption;
  std::uint32_t backColor;  // 0xRRGGBB
  int borderStyle;          // 0: none
  Long widthTwips;          // client area; 15 twips to a pixel
  Long heightTwips;
  bool showInTaskbar;
  int startUpPosition;      // 3: the window system chooses
};

// Process start: Open, then raises the form's load event. Never returns.
[[noreturn]] void Start(const FormSettings& form, void (*formLoad)());
// Reads the platform environment, opens the drivers and creates the form with its window hidden.
// A bad environment ends the process with its message and status 2. Start's first step; also
// for benchmarks and tests that drive the program's procedures in their own process.
void Open(const FormSettings& form);

// The window handle of the start-up form.
Long hWnd();
// Shows the form, modeless and without an owner form.
void ShowForm();
// Handles every pending window message and returns.
void DoEvents();
// Ends the process at once with the exit status the run so far has earned.
[[noreturn]] void End();

// Raises a run-time error of the program's own (traced as Runtime.Raise).
[[noreturn]] void Raise(Long code, std::string_view text);

// 16-bit signed arithmetic that raises the overflow error instead of wrapping.
Integer AddInteger(Integer a, Integer b);
Integer SubtractInteger(Integer a, Integer b);
// Raises the subscript error when index is outside lower..upper.
void CheckIndex(Long index, Long lower, Long upper);
// The object a reference holds; a reference that is nothing raises the object error instead.
[[noreturn]] void RaiseNothing();
template <class T>
T& Object(const std::shared_ptr<T>& reference) {
  if (!reference) RaiseNothing();
  return *reference;
}

// For the platform services: fail the call when a failpoint says so (after its arguments are
// filled in), or fail it with a code and text. Both write the trace line and raise the error.
void Enter(trace::Call& call);
[[noreturn]] void Fail(trace::Call& call, Long code, std::string_view text);

}  // namespace runtime

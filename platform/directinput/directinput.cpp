#include "platform/directinput/directinput.h"

#include "platform/directdraw/directdraw.h"
#include "platform/drivers/driver.h"

namespace {

using trace::Op;

constexpr Long kInvalidParam = -2147024809;
constexpr Long kDeviceNotRegistered = static_cast<Long>(0x80040154u);
constexpr Long kNotAcquired = static_cast<Long>(0x8007000Cu);
constexpr Long kInputLost = static_cast<Long>(0x8007001Eu);

}  // namespace

std::shared_ptr<DirectInput> DirectX7::DirectInputCreate() {
  trace::Call call(Op::RootDirectInputCreate);
  runtime::Enter(call);
  auto input = std::make_shared<DirectInput>();
  call.Ok();
  return input;
}

std::shared_ptr<DirectInputDevice> DirectInput::CreateDevice(std::string_view guid) {
  trace::Call call(Op::InputCreateDevice);
  if (trace::Args* a = call.args()) a->Str(guid);
  runtime::Enter(call);
  if (guid != "GUID_SysKeyboard") runtime::Fail(call, kDeviceNotRegistered, "no such device");
  auto device = std::make_shared<DirectInputDevice>();
  call.Ok();
  return device;
}

void DirectInputDevice::SetCommonDataFormat(Long format) {
  trace::Call call(Op::DeviceSetCommonDataFormat);
  if (trace::Args* a = call.args()) a->Int(format);
  runtime::Enter(call);
  if (format != DIFORMAT_KEYBOARD) runtime::Fail(call, kInvalidParam, "not a keyboard format");
  formatSet_ = true;
  call.Ok();
}

void DirectInputDevice::SetCooperativeLevel(Long hWnd, Long flags) {
  trace::Call call(Op::DeviceSetCooperativeLevel);
  if (trace::Args* a = call.args()) a->Int(hWnd).Int(flags);
  runtime::Enter(call);
  if (hWnd == 0 || hWnd != runtime::hWnd()) {
    runtime::Fail(call, kInvalidParam, "not the window of the start-up form");
  }
  const Long access = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
  const Long focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
  const Long known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND;
  if ((flags & ~known) != 0 || access == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || access == 0 ||
      focus == (DISCL_FOREGROUND | DISCL_BACKGROUND) || focus == 0 ||
      flags == (DISCL_EXCLUSIVE | DISCL_BACKGROUND)) {
    runtime::Fail(call, kInvalidParam, "unsupported cooperative level");
  }
  call.Ok();
}

void DirectInputDevice::Acquire() {
  trace::Call call(Op::DeviceAcquire);
  runtime::Enter(call);
  if (!formatSet_) runtime::Fail(call, kInvalidParam, "no data format set");
  acquired_ = true;
  call.Ok();
}

void DirectInputDevice::GetDeviceStateKeyboard(DIKEYBOARDSTATE& state) {
  trace::Call call(Op::DeviceGetDeviceStateKeyboard);
  runtime::Enter(call);
  if (!acquired_) runtime::Fail(call, kNotAcquired, "the device is not acquired");
  std::array<std::uint8_t, 256> now;
  if (!drivers::keyboard().Poll(now)) runtime::Fail(call, kInputLost, "the keyboard cannot be read");
  state.key = now;
  call.Ok();
}

void DirectInputDevice::Unacquire() {
  trace::Call call(Op::DeviceUnacquire);
  runtime::Enter(call);
  acquired_ = false;
  call.Ok();
}

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "bench/kit.h"
#include "dinput/dinput.h"
#include "shell/frm_orvane.h"

namespace bench {

void OpenHeadless() {
  // The platform reads its environment once, in Open: this process draws headless, reads the
  // headless keyboard (no key down), and neither traces nor fails on purpose.
  for (const char* name : {"ORVANE_KEYS", "ORVANE_TRACE", "ORVANE_FAILPOINTS"}) unsetenv(name);
  setenv("ORVANE_VIDEO", "headless", 1);
  runtime::Open(FrmOrvane);
  InitDDraw();
  if (Running == runtime::False) {
    throw std::runtime_error("InitDDraw: the headless display could not be set up");
  }
  try {
    InitDInput();
  } catch (const runtime::Error& e) {
    throw std::runtime_error(std::string("InitDInput: ") + e.what());
  }
}

void CloseHeadless() {
  ReleaseDDraw();
  ReleaseDInput();
}

Surface LoadSpriteFrame(Integer index) {
  Surface frame;
  LoadFrame(frame, FrameResourceName(index), kSpriteSize, kSpriteSize, 0);
  return frame;
}

}  // namespace bench

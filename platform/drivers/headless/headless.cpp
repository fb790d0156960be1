#include "platform/drivers/headless/headless.h"

#include <algorithm>
#include <variant>
#include <vector>

#include "platform/drivers/headless/keyscript.h"
#include "platform/drivers/png.h"
#include "platform/trace/trace.h"

namespace drivers::headless {
namespace {

class MemoryVideo final : public Video {
 public:
  explicit MemoryVideo(bool keepShown) : keepShown_(keepShown) {}
  std::int32_t CreateWindow(const WindowSettings& settings) override {
    width_ = settings.width;
    height_ = settings.height;
    Clear();
    return 1;
  }
  void ShowWindow() override {}
  void HandleMessages() override {}
  void SetExclusive(bool) override {}
  bool CanSetMode(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) override {
    return bitsPerPixel == 16 && width > 0 && height > 0 && width <= 4096 && height <= 4096;
  }
  void SetMode(std::int32_t width, std::int32_t height) override {
    width_ = width;
    height_ = height;
    Clear();
  }
  void RestoreMode() override {}
  void Present(const Picture& frame, bool) override {
    // Only a key script can look at the memory display; for it, one copy keeps the frame.
    if (!keepShown_) return;
    for (std::int32_t y = 0; y < height_ && y < frame.height; ++y) {
      const std::uint16_t* row = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitch;
      std::copy_n(row, std::min(width_, frame.width),
                  shown_.data() + static_cast<std::ptrdiff_t>(y) * width_);
    }
  }
  Picture Shown() override { return {shown_.data(), width_, height_, width_}; }
  void ShowReport(std::string_view) override {}

 private:
  void Clear() { shown_.assign(static_cast<std::size_t>(width_) * height_, 0); }
  const bool keepShown_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<std::uint16_t> shown_;
};

class NoKeys final : public Keyboard {
 public:
  bool Poll(std::array<std::uint8_t, 256>& state) override {
    state.fill(0);
    return true;
  }
  void Finish() override {}
};

class ScriptKeyboard final : public Keyboard {
 public:
  ScriptKeyboard(KeyScript script, Video& video)
      : keys_(std::move(script), [&video](const std::filesystem::path& file) { Snap(video, file); }) {}
  bool Poll(std::array<std::uint8_t, 256>& state) override {
    keys_.Poll(state);
    return true;
  }
  void Finish() override { keys_.Finish(); }

 private:
  // A snap that cannot be written is a fault of the environment the script asked for.
  static void Snap(Video& video, const std::filesystem::path& file) {
    const Picture shown = video.Shown();
    try {
      WritePng(file, shown.pixels, shown.width, shown.height, shown.pitch);
    } catch (const PngError& e) {
      throw trace::BadEnvironment(std::string("ORVANE_KEYS: snap: ") + e.what());
    }
  }
  ScriptedKeys keys_;
};

}  // namespace

KeyScript ReadScript(const std::filesystem::path& script) {
  try {
    return LoadKeyScript(script);
  } catch (const KeyScriptError& e) {
    throw trace::BadEnvironment(std::string("ORVANE_KEYS: ") + e.what());
  }
}

bool HasSnaps(const KeyScript& script) {
  return std::any_of(script.steps.begin(), script.steps.end(), [](const KeyScriptStep& step) {
    return std::holds_alternative<SnapStep>(step);
  });
}

std::unique_ptr<Keyboard> OpenScript(KeyScript script, Video& video) {
  return std::make_unique<ScriptKeyboard>(std::move(script), video);
}

std::unique_ptr<Video> OpenVideo(bool keepShown) {
  return std::make_unique<MemoryVideo>(keepShown);
}
std::unique_ptr<Keyboard> OpenKeyboard() { return std::make_unique<NoKeys>(); }

}  // namespace drivers::headless

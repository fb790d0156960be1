// The run time's checked 16-bit arithmetic and the trace door's failpoint language.
#include <gtest/gtest.h>

#include "platform/runtime/runtime.h"
#include "platform/trace/trace.h"

namespace {

TEST(CheckedInteger, AddsAndSubtractsWithinRange) {
  EXPECT_EQ(runtime::AddInteger(32766, 1), 32767);
  EXPECT_EQ(runtime::SubtractInteger(-32767, 1), -32768);
  EXPECT_EQ(runtime::AddInteger(-32768, 1), -32767);
  EXPECT_EQ(runtime::SubtractInteger(32767, 1), 32766);
}

TEST(CheckedInteger, OverflowRaisesInsteadOfWrapping) {
  const std::pair<runtime::Integer (*)(runtime::Integer, runtime::Integer), runtime::Integer>
      cases[] = {{runtime::AddInteger, 32767}, {runtime::SubtractInteger, -32768}};
  for (const auto& [operation, value] : cases) {
    try {
      operation(value, 1);
      ADD_FAILURE() << value << " did not overflow";
    } catch (const runtime::Error& e) {
      EXPECT_EQ(e.code(), runtime::kOverflow);
      EXPECT_STREQ(e.what(), "Overflow");
    }
  }
}

struct GoodFailpoints {
  const char* text;
  std::size_t count;
  trace::Op op;
  std::uint64_t call;
  bool andLater;
};

TEST(Failpoints, ParseGoodLists) {
  const GoodFailpoints cases[] = {
      {"DirectDrawSurface7.Flip@3", 1, trace::Op::SurfaceFlip, 3, false},
      {"DirectInputDevice.GetDeviceStateKeyboard@1+", 1, trace::Op::DeviceGetDeviceStateKeyboard,
       1, true},
      {" Root.DirectDrawCreate@1 ; DirectDraw7.SetDisplayMode@2", 2, trace::Op::RootDirectDrawCreate,
       1, false},
      {";;Runtime.DoEvents@18446744073709551615;", 1, trace::Op::RuntimeDoEvents,
       18446744073709551615u, false},
      {"", 0, trace::Op::Count, 0, false},
  };
  for (const GoodFailpoints& c : cases) {
    const std::vector<trace::Failpoint> points = trace::ParseFailpoints(c.text);
    ASSERT_EQ(points.size(), c.count) << c.text;
    if (c.count == 0) continue;
    EXPECT_EQ(points[0].op, c.op) << c.text;
    EXPECT_EQ(points[0].call, c.call) << c.text;
    EXPECT_EQ(points[0].andLater, c.andLater) << c.text;
  }
}

TEST(Failpoints, RefuseBadListsNamingTheFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"DirectDrawSurface7.Flip", "needs a call number"},
      {"DirectDrawSurface7.Flop@1", "unknown operation \"DirectDrawSurface7.Flop\""},
      {"Flip@1", "unknown operation"},
      {"DirectDrawSurface7.Release@1", "cannot fail"},
      {"Runtime.End@1", "cannot fail"},
      {"DirectDrawSurface7.Flip@0", "from 1 up"},
      {"DirectDrawSurface7.Flip@-1", "from 1 up"},
      {"DirectDrawSurface7.Flip@x", "from 1 up"},
      {"DirectDrawSurface7.Flip@3x", "from 1 up"},
      {"DirectDrawSurface7.Flip@+", "from 1 up"},
      {"DirectDrawSurface7.Flip@99999999999999999999", "from 1 up"},
  };
  for (const auto& [text, fragment] : cases) {
    try {
      trace::ParseFailpoints(text);
      ADD_FAILURE() << text << " was accepted";
    } catch (const trace::BadEnvironment& e) {
      EXPECT_NE(std::string(e.what()).find("ORVANE_FAILPOINTS: "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
  }
}

TEST(Failpoints, EveryFailableOperationHasAName) {
  for (int i = 0; i < static_cast<int>(trace::Op::Count); ++i) {
    const trace::OpName& name = trace::NameOf(static_cast<trace::Op>(i));
    const std::string text = std::string(name.interface) + "." + std::string(name.operation) + "@1";
    if (name.failable) {
      EXPECT_EQ(trace::ParseFailpoints(text).at(0).op, static_cast<trace::Op>(i)) << text;
    } else {
      EXPECT_THROW(trace::ParseFailpoints(text), trace::BadEnvironment) << text;
    }
  }
}

}  // namespace

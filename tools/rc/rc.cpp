// The resource compiler: reads a resource script, checks every bitmap it names, strips their
// file headers and writes the C++ source of the resource table that is linked into a program.
//
//   orvane_rc SCRIPT OUTPUT.cpp
//
// The script's lines are described in script.h. Any fault stops the build with the file, the
// line and what is wrong, and leaves no output file behind.
#include <cstdio>
#include <filesystem>

#include "tools/rc/script.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvane_rc SCRIPT OUTPUT.cpp\n");
    return 2;
  }
  try {
    rc::WriteTable(rc::ReadScript(argv[1]), argv[2]);
  } catch (const rc::Fault& fault) {
    std::fprintf(stderr, "%s\n", fault.what());
    std::filesystem::remove(argv[2]);
    return 1;
  }
  return 0;
}

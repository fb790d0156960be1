// Fuzz target: the resource-script parser. The input is the script's text, then a NUL byte, then
// the bytes every file it names holds; with no NUL byte, every file is missing. An accepted
// script has unique names whose bitmaps decode; a refused one gets one line naming the script.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "platform/resources/resources.h"
#include "tests/fuzz/require.h"
#include "tools/rc/script.h"

using orvane_fuzz::OneLine;
using orvane_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view text = input.substr(0, nul);
  const bool filesExist = nul != std::string_view::npos;
  const std::string_view bytes = filesExist ? input.substr(nul + 1) : std::string_view{};

  const rc::FileReader read = [&](const std::filesystem::path& path, const std::string& where) {
    if (!filesExist) {
      throw rc::Fault(where + "cannot read \"" + path.string() + "\": " + std::strerror(ENOENT));
    }
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  };
  std::vector<rc::Entry> entries;
  try {
    entries = rc::ParseScript(text, "res/vegan.rc", read);
  } catch (const rc::Fault& fault) {
    const std::string_view message = fault.what();
    Require(OneLine(message), "the message is one line");
    Require(message.starts_with("res/vegan.rc:"), "the message names the script");
    return 0;
  }
  std::set<std::pair<unsigned, std::string>> names;
  for (const rc::Entry& entry : entries) {
    Require(!entry.name.empty(), "an entry has a name");
    std::string upper;
    for (const char c : entry.name) {
      Require((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                  c == '_',
              "a name is letters, digits and '_'");
      upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    Require(names.insert({entry.type, upper}).second, "no name is given twice for one type");
    Require(entry.type <= 65535 && entry.language <= 65535, "type and language fit 16 bits");
    if (entry.type == resources::RT_BITMAP) {
      resources::Bitmap bitmap;
      Require(resources::DecodeBitmap(entry.packed, bitmap).empty(), "a bitmap entry decodes");
      Require(entry.packed.size() + 14 == bytes.size(), "a bitmap loses only its file header");
    }
  }
  return 0;
}

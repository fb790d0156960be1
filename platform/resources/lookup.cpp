#include <cctype>

#include "platform/resources/resources.h"

namespace resources {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

const Resource* Find(std::uint16_t type, std::string_view name) {
  for (const Resource& r : kTable) {
    if (r.type == type && SameIgnoringCase(r.name, name)) return &r;
  }
  return nullptr;
}

}  // namespace resources

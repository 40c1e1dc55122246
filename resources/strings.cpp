#include "resources/strings.h"

#include <algorithm>
#include <iterator>

namespace ostrel::res {
namespace {
struct Entry {
  unsigned id;
  std::wstring_view text;
};
constexpr Entry table[] = {
#define OSTREL_STRING(name, id, text) {id, text},
#include "resources/strings.def"
#undef OSTREL_STRING
};
}  // namespace

std::wstring_view string(unsigned id) {
  auto it = std::lower_bound(std::begin(table), std::end(table), id,
                             [](const Entry& e, unsigned v) { return e.id < v; });
  return it != std::end(table) && it->id == id ? it->text : std::wstring_view{};
}

}  // namespace ostrel::res

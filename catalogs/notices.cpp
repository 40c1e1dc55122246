#include "catalogs/notices.h"

#include <algorithm>
#include <array>

#include "platform/text.h"
#include "resources/product.h"

namespace ostrel::catalogs {
namespace {

constexpr const wchar_t* recordKeyPath = L"SOFTWARE\\" OSTREL_MAKER "\\" OSTREL_PRODUCT "\\Messages";

// The record key is opened for reading plus setting values and creating subkeys.
Status openRecordKey(Registry& reg, Registry::Key currentUser, RegKey& out) {
  return RegKey::open(reg, currentUser, recordKeyPath, access::readWrite, out);
}

// Creates the key path one component at a time, each under the one made before; the keys
// are closed as soon as the next one exists.
void createRecordKeyPath(Registry& reg, Registry::Key currentUser) {
  RegKey parent;
  if (RegKey::create(reg, currentUser, L"Software\\" OSTREL_MAKER, access::write, parent) != status::success) return;
  for (const wchar_t* component : {product::name, L"Messages"}) {
    RegKey child;
    if (RegKey::create(reg, parent.get(), component, access::write, child) != status::success) return;
    parent = std::move(child);
  }
}

}  // namespace

std::wstring noticeValueName(int number) { return formatWide(32, L"msg%d", number); }

bool shouldShowNotice(Registry& reg, Registry::Key currentUser, int number) {
  RegKey key;
  if (openRecordKey(reg, currentUser, key) != status::success) {
    createRecordKeyPath(reg, currentUser);
    return true;
  }
  // Only the type decides; a value with more than four bytes still reports its type.
  std::array<std::uint8_t, 4> data{};
  std::uint32_t type = regtype::none, size = 0;
  const Status s = reg.queryValue(key.get(), noticeValueName(number), type, data, size);
  if (s != status::success && s != status::moreData) return true;
  return type != regtype::dword;
}

void recordNoticeChoice(Registry& reg, Registry::Key currentUser, int number, bool suppressed) {
  RegKey key;
  if (openRecordKey(reg, currentUser, key) != status::success) return;
  // Failures are not reported: the worst outcome is that the notice shows again.
  if (suppressed)
    (void)reg.setValue(key.get(), noticeValueName(number), regtype::dword,
                       regDwordBytes(static_cast<std::uint32_t>(number)));
  else
    (void)reg.deleteValue(key.get(), noticeValueName(number));
}

}  // namespace ostrel::catalogs

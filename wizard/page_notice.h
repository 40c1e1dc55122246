#pragma once
// The record a wizard or property page sends to its owner through the console
// (MMCPropertyChangeNotify's param): page id, owner, code. The page allocates it with
// sendablePageNotice; the snap-in's property-change handler takes it back with
// adoptPageNotice and frees it after the owner has seen it.
#include <cstdint>
#include <memory>

namespace ostrel::wizard {

struct PageNotice;

// Whoever a sheet's pages report to: the scope node for the wizard, the Rule item for an
// existing rule's property sheet. The pages only carry the pointer; the snap-in acts on it.
class PageOwner {
 public:
  // Apply in an existing rule's sheet: write the store again.
  virtual void save() = 0;
  // A notice of the owner's sheet: what the console delivers, or the pages hand over.
  virtual void receiveNotice(PageNotice& notice) { (void)notice; }
  // True once the console has released the owner's snap-in: a notice sent through the
  // console would reach nobody, so the pages hand it to the owner themselves.
  [[nodiscard]] virtual bool consoleReleased() const { return false; }

 protected:
  ~PageOwner() = default;
};

namespace notice {
inline constexpr std::int32_t pageDone = 0;   // the page copied its data into the Rule
inline constexpr std::int32_t finish = 0x8000;
inline constexpr std::int32_t cancel = 0x8001;
inline constexpr std::int32_t apply = 0x8002;
}  // namespace notice

struct PageNotice {
  std::int32_t pageId = 0;
  PageOwner* owner = nullptr;
  std::int32_t code = 0;
};

// A new record as the pointer-sized param that the console carries.
inline std::intptr_t sendablePageNotice(std::int32_t pageId, PageOwner* owner, std::int32_t code) {
  return reinterpret_cast<std::intptr_t>(std::make_unique<PageNotice>(PageNotice{pageId, owner, code}).release());
}
inline std::unique_ptr<PageNotice> adoptPageNotice(std::intptr_t param) {
  return std::unique_ptr<PageNotice>(reinterpret_cast<PageNotice*>(param));
}

}  // namespace ostrel::wizard

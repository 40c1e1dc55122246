#include "rules/rule_layout.h"

#include "platform/text.h"

namespace ostrel::layout {
namespace {

std::wstring typeText(const Rule& r) {
  return r.type() == RuleType::Hash ? typeHash : r.type() == RuleType::Path ? typePath : typeError;
}
bool setTypeText(Rule& r, std::wstring text) {
  if (namesEqual(text, typePath)) {
    r.setType(RuleType::Path);
  } else if (namesEqual(text, typeHash)) {
    r.setType(RuleType::Hash);
  } else {
    return false;
  }
  return true;
}
std::wstring errorText(const Rule&) { return typeError; }

constexpr auto noText = nullptr;
constexpr auto noSetText = nullptr;
constexpr auto noFlag = nullptr;
constexpr auto noSetFlag = nullptr;

// A Hash rule stores its application under "Name" and "Source" and its digest under "Value";
// a Path rule its pattern under "Name" (for people reading the policy) and its stored path,
// which holds the pattern and both flags, under "Value"; a rule of no known type "< ERROR >".
constexpr ScalarField scalarRows[] = {
    {"id", nullptr, FieldKind::text, forAll, false, false, false, 0,
     [](const Rule& r) { return r.idText(); }, [](Rule& r, std::wstring v) { return r.idFromText(v), true; }, noFlag,
     noSetFlag},
    {"type", type, FieldKind::text, forAll, true, false, false, typeNameValueChars, typeText, setTypeText, noFlag,
     noSetFlag},
    {"applicationName", name, FieldKind::text, forHash, true, false, false, typeNameValueChars,
     [](const Rule& r) { return r.applicationName(); },
     [](Rule& r, std::wstring v) { return r.setApplicationName(std::move(v)), true; }, noFlag, noSetFlag},
    // A Hash rule's path pattern is the file it was computed from, which is not stored.
    {"pathPattern", name, FieldKind::text, forPath, false, false, false, typeNameValueChars,
     [](const Rule& r) { return r.type() == RuleType::Hash ? std::wstring() : r.pathPattern(); }, noSetText, noFlag,
     noSetFlag},
    {nullptr, name, FieldKind::text, forNone, false, false, false, 0, errorText, noSetText, noFlag, noSetFlag},
    {nullptr, source, FieldKind::text, forHash, false, false, false, 0, [](const Rule& r) { return r.applicationName(); },
     noSetText, noFlag, noSetFlag},
    {"storedPath", value, FieldKind::text, forPath, true, false, false, typeNameValueChars,
     [](const Rule& r) { return r.storedPath(); },
     [](Rule& r, std::wstring v) {
       r.setStoredPath(std::move(v));
       r.decodePath();
       return true;
     },
     noFlag, noSetFlag},
    {"hash", value, FieldKind::text, forHash, true, false, false, typeNameValueChars,
     [](const Rule& r) { return fromNarrow(r.hashText()); },
     [](Rule& r, std::wstring v) { return r.setHashFromText(toNarrow(v)), true; }, noFlag, noSetFlag},
    {nullptr, value, FieldKind::text, forNone, false, false, false, 0, errorText, noSetText, noFlag, noSetFlag},
    {"hashValid", nullptr, FieldKind::flag, forHash, false, false, false, 0, noText, noSetText,
     [](const Rule& r) { return r.hashValid(); }, noSetFlag},
    {"ownershipCheck", nullptr, FieldKind::flag, forPath, false, false, false, 0, noText, noSetText,
     [](const Rule& r) { return r.ownershipCheck(); }, [](Rule& r, bool v) { r.setOwnershipCheck(v); }},
    {"recursive", nullptr, FieldKind::flag, forPath, false, false, false, 0, noText, noSetText,
     [](const Rule& r) { return r.recursive(); }, [](Rule& r, bool v) { r.setRecursive(v); }},
    {"overridePrivileges", overridePrivileges, FieldKind::flag, forAll, true, true, false, 0, noText, noSetText,
     [](const Rule& r) { return r.overridePrivileges(); }, [](Rule& r, bool v) { r.setOverridePrivileges(v); }},
};

}  // namespace

const std::span<const ScalarField> scalarFields{scalarRows};

}  // namespace ostrel::layout

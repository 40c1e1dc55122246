#!/usr/bin/env bash
# Measures how sharp the native tests are: plants one-line faults (a comparison flipped, a limit
# off by one, a call deleted, a condition negated, a wrong constant or operand) one at a time in
# the product code, rebuilds, runs the native suite, and counts the faults it caught. Not run by
# the tests: it rebuilds once per fault and takes a while (run it with nice on a shared machine).
#   scripts/mutants.sh [--set first|fresh] [--list]
# --set picks the list: "first" (the default) was written alongside the tests that now catch its
# faults; "fresh" was written later from the product code alone, as a second measure that the
# tests were not shaped to. --list only checks that every fault of the set still applies.
# Works on a detached worktree of HEAD in build/mutants/src (its build in build/mutants/build),
# so the tree you edit is never touched. Prints one line per fault and the totals; the missed
# ones are the tests' to-do list.
set -euo pipefail
list_only=0 set=first
while [ $# -gt 0 ]; do
  case $1 in
    --list) list_only=1 ;;
    --set) [ $# -gt 1 ] && set=$2 && shift ;;
    *) echo "usage: scripts/mutants.sh [--set first|fresh] [--list]" >&2; exit 2 ;;
  esac
  shift
done
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
src=$here/build/mutants/src
build=$here/build/mutants/build
# The domain tests start a domain controller on fixed ports, which another tree's run may hold;
# no fault below is in the code they alone reach.
skip=domain_tests

# path @@ text that occurs once in the file @@ what replaces it (empty: the text is deleted)
first=$(cat <<'EOF'
rules/path_keywords.cpp @@ if (text.size() - i < keyword.size()) return false; @@ if (text.size() - i <= keyword.size()) return false;
rules/rule.cpp @@ if (text.size() != 2 + 2 * digestSize) { @@ if (text.size() != 1 + 2 * digestSize) {
rules/rule.cpp @@ (text[1] == 'x' || text[1] == 'X') @@ (text[1] == 'x')
rules/rule.cpp @@ if (c >= 'A' && c <= 'F') return c - 'A' + 10; @@ if (c >= 'A' && c <= 'E') return c - 'A' + 10;
rules/rule_store_io.cpp @@ valueName.size() > prefix.size() + 10) return 0; @@ valueName.size() > prefix.size() + 9) return 0;
rules/rule_store_io.cpp @@ if (valueName[prefix.size()] == L'0') return 0; @@
rules/rule_store_io.cpp @@ if (k == 0 || k > n) continue; @@ if (k == 0 || k >= n) continue;
rules/rule_store_io.cpp @@ { return a.first < b.first; } @@ { return a.first > b.first; }
rules/rule_store_io.cpp @@ || size / 2 < bufferChars; @@ || size / 2 <= bufferChars;
rules/rule_store_io.cpp @@ != status::success || type != regtype::sz) @@ != status::success)
rules/policy_store.cpp @@ if (isRefreshMarker(name)) stale.push_back(name); @@ if (!isRefreshMarker(name)) stale.push_back(name);
rules/policy_store.cpp @@ return name.size() > n && @@ return name.size() >= n &&
rules/policy_store.cpp @@ if (hex.size() < 8) @@ if (hex.size() < 7)
rules/policy_store.cpp @@ if (!add && hresult::failed(hr)) reportPolicyError(prompter, hr); @@ if (add && hresult::failed(hr)) reportPolicyError(prompter, hr);
platform/preg/preg_codec.cpp @@ if (file_.size() < headerSize) @@ if (file_.size() <= headerSize)
platform/preg/preg_codec.cpp @@ if (separators >= maxKeyDepth) @@ if (separators > maxKeyDepth)
platform/preg/preg_codec.cpp @@ if (value.size() / 2 > maxValueNameChars) @@ if (value.size() / 2 >= maxValueNameChars)
platform/preg/preg_codec.cpp @@ if (value_.empty() && peekUnit() == u']') { @@ if (peekUnit() == u']') {
platform/preg/preg_codec.cpp @@ if (i > start) names.push_back @@ if (i >= start) names.push_back
platform/gpo_folder.cpp @@ std::sort(g.begin() + 1, g.end(), lessNoCase); @@
platform/gpo_folder.cpp @@ if (c < '0' || c > '9') break; @@ if (c < '0' || c > '8') break;
platform/gpo_folder.cpp @@ while (at != out.begin() && trim(*(at - 1)).empty()) --at; @@
platform/text.cpp @@ if (c >= 0x10000 && c <= 0x10FFFF) { @@ if (c >= 0x10000 && c < 0x10FFFF) {
platform/text.cpp @@ } else if (c < 0x800) { @@ } else if (c <= 0x800) {
platform/text.cpp @@ (c >= 0xD800 && c < 0xE000)) return 0; @@ (c >= 0xD800 && c < 0xDFFF)) return 0;
platform/text.cpp @@ if (len == 0 || i + len > s.size()) return 0; @@ if (len == 0 || i + len >= s.size()) return 0;
accounts/sid_codec.cpp @@ if (text.size() > maxSidTextChars) return std::nullopt; @@ if (text.size() >= maxSidTextChars) return std::nullopt;
accounts/sid_codec.cpp @@ while (sid.subAuthorities.size() < maxSubAuthorities) { @@ while (sid.subAuthorities.size() <= maxSubAuthorities) {
accounts/sid_codec.cpp @@ path.size() - 1 <= sidPathPrefixChars) @@ path.size() - 1 < sidPathPrefixChars)
accounts/sid_codec.cpp @@ for (std::size_t at = 28; at < digits.size(); at += 8) { @@ for (std::size_t at = 28; at <= digits.size(); at += 8) {
wizard/list_box_order.cpp @@ if (i != j) return i > j ? -1 : 1; @@ if (i != j) return i < j ? -1 : 1;
wizard/list_box_order.cpp @@ return a[i] == L'\'' ? -1 : 1; @@ return a[i] == L'-' ? -1 : 1;
wizard/list_box_order.cpp @@ constexpr int letterBase = 0x200; @@ constexpr int letterBase = 0x100;
wizard/list_box_order.cpp @@ return i == a.size() ? -1 : 1; @@ return i == a.size() ? 1 : -1;
wizard/path_validation.cpp @@ if (units > maxPathPatternChars) @@ if (units >= maxPathPatternChars)
wizard/path_validation.cpp @@ if (path.front() == L'*' || path.front() == L'?') @@ if (path.front() == L'*')
wizard/path_validation.cpp @@ if (ownershipCheck && path.starts_with(L"\\\\")) { @@ if (!ownershipCheck && path.starts_with(L"\\\\")) {
wizard/path_validation.cpp @@ if (path.find_first_of(L"<>\"/|") @@ if (path.find_first_of(L"<>\"/")
wizard/applet_command_lines.cpp @@ return line.find(part, 1) != std::wstring_view::npos; @@ return line.find(part, 0) != std::wstring_view::npos;
wizard/applet_command_lines.cpp @@ if (contains(line, L"timedate.cpl") || contains(line, L"wiashext.dll") @@ if (contains(line, L"timedate.cpl")
tools/ostrel-policy/rule_checks.cpp @@ if (d <= 3 || @@ if (d <= 2 ||
tools/ostrel-policy/rule_checks.cpp @@ if (toUtf16(text).size() < bufferChars) return {}; @@ if (toUtf16(text).size() <= bufferChars) return {};
tools/ostrel-policy/rule_checks.cpp @@ if (rule.commandLine(i).size() > maxCommandLineChars) @@ if (rule.commandLine(i).size() >= maxCommandLineChars)
rules/rule_checks.cpp @@ if (needsOneAccount(names.list) && rule.accountCount(names.list) == 0) return pageMessage(IDS_NO_AUTHORIZED_USERS); @@
tools/ostrel-policy/rule_checks.cpp @@ std::sort(close.begin(), close.end()); @@
tools/ostrel-policy/rules_json.cpp @@ toUtf16(id).size() >= store::ruleKeyNameBufferChars) @@ toUtf16(id).size() > store::ruleKeyNameBufferChars)
tools/ostrel-policy/rules_json.cpp @@ if (in.flag("hashValid") == false) in.fail("is a Hash rule with \"hashValid\": false"); @@
tools/ostrel-policy/commands.cpp @@ if (canonical(wanted) == canonical(s.view())) { @@ if (canonical(wanted) != canonical(s.view())) {
tools/ostrel-policy/commands.cpp @@ if (namesEqual(r->idText(), given) || namesEqual(r->idText(), L"{" + given + L"}")) { @@ if (namesEqual(r->idText(), given)) {
tools/ostrel-policy/terminal_text.cpp @@ if (c < 0x20 || c == 0x7F) { @@ if (c < 0x1F || c == 0x7F) {
tools/ostrel-policy/gpo_session.cpp @@ if ((access == Access::change && !folder_->lock(lockTimeout, error)) || !folder_->load(error)) @@ if (!folder_->load(error))
tools/ostrel-policy/gpo_session.cpp @@ if (!stored) throw Refused("cannot store the rules; nothing saved"); @@
catalogs/notices.cpp @@ return type != regtype::dword; @@ return type == regtype::dword;
EOF
)

fresh=$(cat <<'EOF'
platform/text.cpp @@ if (u[i] < 0xD800 || u[i] >= 0xE000) continue; @@ if (u[i] < 0xD800 || u[i] > 0xE000) continue;
accounts/sid_codec.cpp @@ } else if (text[i] >= L'0' && text[i] <= L'9') { @@ } else if (text[i] >= L'0' && text[i] < L'9') {
wizard/account_page.cpp @@ if (mode() == Mode::properties) entries_ = rule().accounts(family_.list); @@ if (mode() != Mode::properties) entries_ = rule().accounts(family_.list);
rules/rule_store_io.cpp @@ e.isDomain = in.number(in.name(names.entryPrefix, k, layout::isDomain)) != 0; @@ e.isDomain = in.number(in.name(names.entryPrefix, k, layout::isDomain)) == 0;
tools/ostrel-policy/import_plan.cpp @@ if (!before.contains(name) || before.at(name) != value) @@ if (!before.contains(name) || before.at(name) == value)
rules/list_box_order.cpp @@ if (c >= L'0' && c <= L'9') return digitBase + (c - L'0'); @@ if (c >= L'0' && c < L'9') return digitBase + (c - L'0');
rules/path_validation.cpp @@ path : path.substr(lastBackslash + 1); @@ path : path.substr(lastBackslash);
rules/rule_checks.cpp @@ for (std::size_t i = 1; i < list.size(); ++i) @@ for (std::size_t i = 2; i < list.size(); ++i)
tools/ostrel-policy/account_text.cpp @@ who = who.substr(slash + 1); @@ who = who.substr(slash);
platform/preg/preg_codec.cpp @@ erase(k, std::wstring(rest.substr(4))); @@ erase(k, std::wstring(rest.substr(5)));
platform/memory_registry.cpp @@ if (found.size() + 1 > bufferChars) return status::moreData; @@ if (found.size() > bufferChars) return status::moreData;
wizard/command_line_dialog.cpp @@ line_.size() <= rules::maxCommandLineChars) { @@ line_.size() < rules::maxCommandLineChars) {
rules/policy_store.cpp @@ gpe.policyChanged(true, add, ids::productExtension, ids::snapinClsid); @@
platform/gpo_folder.cpp @@ if (!line.empty() && line.back() == '\r') line.remove_suffix(1); @@
catalogs/notices.cpp @@ createRecordKeyPath(reg, currentUser); @@
wizard/account_page.cpp @@ rule().clearAccounts(family_.list); @@
wizard/process_privileges_page.cpp @@ d.listViewDelete(from.list, row); @@
rules/rule_layout.cpp @@ r.decodePath(); @@
rules/rule.cpp @@ if (pathPattern_.empty()) return false; @@ if (!pathPattern_.empty()) return false;
rules/path_keywords.cpp @@ if (ownershipCheck) stored.insert(0, L"?o"); @@ if (!ownershipCheck) stored.insert(0, L"?o");
platform/preg/preg_codec.cpp @@ if (!isDirective(n.values[i].name)) n.markErased(i); @@ if (isDirective(n.values[i].name)) n.markErased(i);
platform/gpo_folder.cpp @@ if (!inGeneral) continue; @@ if (inGeneral) continue;
catalogs/notices.cpp @@ if (suppressed) @@ if (!suppressed)
accounts/account_resolution.cpp @@ return computer && !namesEqual(domain, *computer); @@ return computer && namesEqual(domain, *computer);
rules/rule.cpp @@ text.push_back(digits[b & 0x0F]); @@ text.push_back(digits[b & 0x07]);
rules/path_keywords.cpp @@ replaceKeyword(stored, L"%programfiles%", L"*p"); @@ replaceKeyword(stored, L"%programfiles%", L"*r");
rules/rule_store_io.cpp @@ out.text(out.name(names.entryPrefix, k, layout::userDomain), e.domain); @@ out.text(out.name(names.entryPrefix, k, layout::userDomain), e.username);
platform/gpo_folder.cpp @@ version_ = (version_ & 0xFFFF0000u) | machine; @@ version_ = (version_ & 0xFFFFu) | machine;
accounts/sid_codec.cpp @@ const unsigned count = pathByte(digits, 14); @@ const unsigned count = pathByte(digits, 16);
tools/ostrel-policy/commands.cpp @@ add(AccountList::AuthorizedUsers, o.users); @@ add(AccountList::AuthorizedUsers, o.groups);
EOF
)

case $set in
  first) faults=$first ;;
  fresh) faults=$fresh ;;
  *) echo "mutants: no set \"$set\" (first or fresh)" >&2; exit 2 ;;
esac

# Replaces the fault's text in the file under $src; exit 3 when the text is not there exactly once.
apply() {
  python3 - "$src/$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

mkdir -p "$here/build/mutants"
if [ ! -d "$src" ]; then
  git worktree add --detach "$src" HEAD >/dev/null
else
  git -C "$src" checkout -q --detach "$(git rev-parse HEAD)"
fi
git -C "$src" checkout -q -- .

if [ $list_only = 0 ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" >/dev/null
  ctest --test-dir "$build" -j 2 -E "$skip" >/dev/null || { echo "mutants: the suite fails without any fault" >&2; exit 1; }
fi

caught=0 missed=0 unused=0 n=0
missed_list=""
while IFS= read -r line; do
  [ -z "$line" ] && continue
  file=${line%% @@ *}
  rest=${line#* @@ }
  old=${rest%% @@*}
  new=${rest#*@@}
  new=${new# }
  n=$((n + 1))
  # A file moved to another folder is found by its name.
  if [ ! -f "$src/$file" ]; then
    moved=$(git -C "$src" ls-files "*/${file##*/}")
    [ "$(printf '%s\n' "$moved" | grep -c .)" = 1 ] && file=$moved
  fi
  if ! apply "$file" "$old" "$new"; then
    echo "$n not applicable (text not found once): $file: $old"
    unused=$((unused + 1))
    continue
  fi
  if [ $list_only = 1 ]; then
    verdict=applies
  elif ! cmake --build "$build" >/dev/null 2>&1; then
    verdict="does not compile"
    unused=$((unused + 1))
  elif ctest --test-dir "$build" -j 2 -E "$skip" --timeout 120 >/dev/null 2>&1; then
    verdict=MISSED
    missed=$((missed + 1))
    missed_list+="  $file: $old  ->  $new"$'\n'
  else
    verdict=caught
    caught=$((caught + 1))
  fi
  echo "$n $verdict: $file: $old"
  git -C "$src" checkout -q -- "$file"
done <<< "$faults"

[ $list_only = 1 ] && exit 0
# Leave the build matching the unchanged sources for the next run.
cmake --build "$build" >/dev/null 2>&1 || true
total=$((caught + missed))
echo "mutants: $caught of $total caught ($((total ? 100 * caught / total : 0))%), $unused not applicable"
[ -n "$missed_list" ] && printf 'missed:\n%s' "$missed_list"
exit 0

// The numbered strings: the table's form, lookups, texts whose exact characters matter,
// and the string table generated from the same table for the DLL.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ostrel::res::string;

struct Entry {
  unsigned id;
  std::wstring_view text;
};
// The same lines that strings.cpp compiles.
constexpr Entry kTable[] = {
#define OSTREL_STRING(id, text) {id, text},
#include "resources/strings.def"
#undef OSTREL_STRING
};

TEST(StringTable, IdsRiseStrictlyAndFitAStringTable) {
  for (std::size_t i = 1; i < std::size(kTable); ++i) {
    EXPECT_LT(kTable[i - 1].id, kTable[i].id) << "entry " << i;
  }
  for (const Entry& e : kTable) {
    EXPECT_LE(e.id, 0xFFFFu);
    EXPECT_FALSE(e.text.empty()) << e.id;  // an empty entry is indistinguishable from none
  }
}

TEST(StringTable, EveryEntryIsFoundByItsId) {
  for (const Entry& e : kTable) {
    EXPECT_EQ(string(e.id), e.text) << e.id;
  }
}

TEST(StringTable, AbsentIdsGiveAnEmptyText) {
  for (unsigned id : {0u, 1u, 6u, 2001u, 62402u, 62413u, 65535u, 70000u}) {
    EXPECT_TRUE(string(id).empty()) << id;
  }
}

TEST(StringTable, TextsWithTrickyCharactersAreExact) {
  const std::map<unsigned, std::wstring_view> cases = {
      {4, L"Policy Error"},
      {12, L"Do you really want to delete this rule?"},
      {13, L"Ostrel Active Directory"},
      {2009, L"Check to have Ostrel validate the file(s) owner "},
      {8, L"Could not enable Debug Privileges (privilege can only be enabled if held): Some "
          L"applications may not be shown.You need to either grant the privilege to the "
          L"current user account or make the user account member of a local group that "
          L"has the  Debug privilege"},
      {30, L"Warning: if target is Windows 2000 then remove the double-quotes from around "
           L"mmc.exe. Change \"%SystemRoot%\\system32\\mmc.exe\" into "
           L"%SystemRoot%\\system32\\mmc.exe and leave the rest of the command line as is."},
      {62410, L"Path cannot contain the following characters: < > \" / |\n\n"},
      {62412, L"File name cannot contain the following characters: < > : \" / \\ |\n\n"},
  };
  for (const auto& [id, text] : cases) {
    EXPECT_EQ(string(id), text) << id;
  }
  const std::wstring_view reserved = string(62411);
  ASSERT_GE(reserved.size(), 3u);
  EXPECT_EQ(reserved.substr(reserved.size() - 3), L". \n");
  EXPECT_EQ(string(62403), string(62406));
}

// Reads one windres wide literal body, the inverse of gen_rc.py's spelling: "" is a
// quote, \\ \n \t \r are escapes, \xhhhh is one UTF-16 unit (the table is ASCII today,
// so a unit is a character here).
std::optional<std::wstring> readRcLiteral(std::string_view body) {
  std::wstring out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '"') {
      if (i + 1 >= body.size() || body[i + 1] != '"') return std::nullopt;
      out += L'"';
      ++i;
    } else if (c == '\\') {
      if (++i >= body.size()) return std::nullopt;
      switch (body[i]) {
        case '\\': out += L'\\'; break;
        case 'n': out += L'\n'; break;
        case 't': out += L'\t'; break;
        case 'r': out += L'\r'; break;
        case 'x':
          if (i + 4 >= body.size()) return std::nullopt;
          out += static_cast<wchar_t>(std::stoul(std::string(body.substr(i + 1, 4)), nullptr, 16));
          i += 4;
          break;
        default: return std::nullopt;
      }
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

class GeneratedStringTable : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(OSTREL_STRINGS_RCINC);
    ASSERT_TRUE(in) << "cannot read " << OSTREL_STRINGS_RCINC;
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }
  // The line of the generated table that holds id, without its indentation.
  std::string lineOf(unsigned id) const {
    const std::string prefix = "  " + std::to_string(id) + ", ";
    for (const std::string& line : lines_) {
      if (line.rfind(prefix, 0) == 0) return line.substr(2);
    }
    return {};
  }
  std::vector<std::string> lines_;
};

TEST_F(GeneratedStringTable, SpellsTrickyTextsAsWindresNeedsThem) {
  EXPECT_EQ(lineOf(62412),
            R"(62412, L"File name cannot contain the following characters: < > : "" / \\ |\n\n")");
  EXPECT_EQ(lineOf(62410), R"(62410, L"Path cannot contain the following characters: < > "" / |\n\n")");
  EXPECT_EQ(lineOf(2009), R"(2009, L"Check to have Ostrel validate the file(s) owner ")");
  EXPECT_NE(lineOf(62411).find(R"(NUL.tx7). \n")"), std::string::npos) << lineOf(62411);
  EXPECT_NE(lineOf(30).find(R"(Change ""%SystemRoot%\\system32\\mmc.exe"" into)"), std::string::npos)
      << lineOf(30);
}

TEST_F(GeneratedStringTable, HoldsExactlyTheTableTexts) {
  ASSERT_GE(lines_.size(), 3u);
  EXPECT_EQ(lines_[1], "STRINGTABLE");
  EXPECT_EQ(lines_[2], "BEGIN");
  EXPECT_EQ(lines_.back(), "END");
  EXPECT_EQ(lines_.size(), std::size(kTable) + 4);  // comment, STRINGTABLE, BEGIN, END
  for (const Entry& e : kTable) {
    const std::string line = lineOf(e.id);
    const std::string head = std::to_string(e.id) + ", L\"";
    ASSERT_EQ(line.rfind(head, 0), 0u) << e.id << " missing";
    ASSERT_EQ(line.back(), '"') << line;
    const auto text = readRcLiteral(std::string_view(line).substr(head.size(), line.size() - head.size() - 1));
    ASSERT_TRUE(text.has_value()) << line;
    EXPECT_EQ(*text, e.text) << e.id;
  }
}

}  // namespace

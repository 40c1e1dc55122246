#pragma once
// A fresh temporary folder for one test, removed afterwards (a random number keeps two runs at
// the same time apart), a file's bytes as a string, and a text quoted for a POSIX shell.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ostrel::testing {

struct TempFolder {
  TempFolder() { std::filesystem::create_directories(path); }
  ~TempFolder() { std::filesystem::remove_all(path); }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ostrel-" + std::to_string(std::random_device{}()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace ostrel::testing

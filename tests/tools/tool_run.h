#pragma once
// Runs ostrel-policy in this process and keeps its exit code and both outputs.
#include <sstream>
#include <string>
#include <vector>

#include "tools/ostrel-policy/policy_tool.h"

namespace ostrel::testing {

struct ToolResult {
  int code = -1;
  std::string out, err;
};

inline ToolResult runTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  ToolResult r;
  r.code = tool::runUtf8(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace ostrel::testing

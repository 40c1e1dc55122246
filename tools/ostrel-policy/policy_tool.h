#pragma once
// ostrel-policy: lists, adds, deletes, exports and imports the rules of a Group Policy Object
// folder.
#include <ostream>
#include <string>
#include <vector>

namespace ostrel::tool {

namespace exitcode {
inline constexpr int success = 0;
inline constexpr int refused = 1;
inline constexpr int usage = 2;
}  // namespace exitcode

// Runs the tool on its arguments (without the program name); output goes to out, messages
// to err; returns the exit code.
int run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err);
// The same with the arguments in UTF-8, as POSIX passes them; an argument that is not
// UTF-8 is a usage error.
int runUtf8(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ostrel::tool

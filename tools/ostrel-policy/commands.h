#pragma once
// The tool's commands. Each prints its result to out and its warnings to err, and throws
// Refused when it turns the request down, having changed nothing.
#include <ostream>
#include <string>
#include <vector>

namespace ostrel::tool {

// What the command line asked for; texts as given (UTF-8).
struct Options {
  std::string gpo, pattern, id, file, catalogName;
  // A domain GPO: the directory's URL, the CA file, the bind user and the password's file.
  std::string ldap, caFile, bindUser, passwordFile, domainGpo;
  std::vector<std::string> files;
  bool json = false, recursive = false, ownershipCheck = false, yes = false, dryRun = false;
  std::vector<std::string> commandLines, privileges, groups, users, sidsToDelete;
};

void listRules(const Options& o, std::ostream& out, std::ostream& err);
void addHashRules(const Options& o, std::ostream& out, std::ostream& err);
void addPathRule(const Options& o, std::ostream& out, std::ostream& err);
void deleteRule(const Options& o, std::ostream& out, std::ostream& err);
void exportRules(const Options& o, std::ostream& out, std::ostream& err);
void importRules(const Options& o, std::ostream& out, std::ostream& err);
void listCatalog(const Options& o, std::ostream& out);
void listDomainGpos(const Options& o, std::ostream& out, std::ostream& err);

}  // namespace ostrel::tool

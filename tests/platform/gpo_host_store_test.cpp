// The store operations over a GPO folder, as the command-line tool runs them.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/gpo_folder.h"
#include "platform/text.h"
#include "resources/product_guids.h"
#include "rules/policy_store.h"

namespace ostrel::gpo {
namespace {

namespace fs = std::filesystem;

class SilentPrompter : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring& text, const std::wstring&, std::uint32_t) override {
    shown.push_back(text);
    return answer::ok;
  }
  std::vector<std::wstring> shown;
};

std::string g(const Guid& id) { return toNarrow(guidText(id)); }

TEST(GpoFolderHost, StoreWritesThroughTheFolderAndRecordsBothExtensionPairs) {
  fs::path dir = fs::temp_directory_path() / "ostrel-gpo-host-store";
  fs::remove_all(dir);
  SilentPrompter prompter;
  std::string error;
  {
    GpoFolder folder(dir);
    ASSERT_TRUE(folder.load(error));
    GpoFolderHost host(folder);
    Rule rule;
    rule.newId();
    rule.setType(RuleType::Path);
    rule.setPathPattern(L"C:\\x.exe");
    ASSERT_TRUE(rule.encodePath());
    Rule* live[] = {&rule};
    store::updateStore(&host, prompter, true, live);
    ASSERT_TRUE(folder.save(error)) << error;
    EXPECT_EQ("[" + g(ids::registryExtension) + g(ids::snapinClsid) + "][" + g(ids::productExtension) +
                  g(ids::snapinClsid) + "]",
              folder.gptIni().machineExtensionText());
    EXPECT_EQ(1u, folder.gptIni().version());
  }
  {
    GpoFolder folder(dir);
    ASSERT_TRUE(folder.load(error)) << error;
    GpoFolderHost host(folder);
    std::vector<std::unique_ptr<Rule>> rules;
    store::loadRules(&host, prompter, [&](std::unique_ptr<Rule> r) { rules.push_back(std::move(r)); });
    ASSERT_EQ(1u, rules.size());
    EXPECT_EQ(L"C:\\x.exe", rules[0]->pathPattern());

    // Deleting the last rule: the clear removes the pairs, the rewrite puts them back.
    store::rewriteStore(&host, prompter, {});
    ASSERT_TRUE(folder.save(error)) << error;
    EXPECT_EQ(2u, folder.gptIni().version());
    EXPECT_NE(std::string::npos, folder.gptIni().machineExtensionText().find(g(ids::productExtension)));
    rules.clear();
    store::loadRules(&host, prompter, [&](std::unique_ptr<Rule> r) { rules.push_back(std::move(r)); });
    EXPECT_TRUE(rules.empty());
  }
  EXPECT_TRUE(prompter.shown.empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrel::gpo

// Every option kestle-dump's --help names is in its manual page and in its
// bash completion, so that neither falls behind the program.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "support/dump_run.h"

namespace kestle {
namespace {

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(KESTLE_SOURCE_DIR) + "/" + relative);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DocumentedOptions, ManPageAndCompletionHaveEveryOptionOfHelp) {
  const auto help = test::Dump({"--help"});
  ASSERT_EQ(help.status, 0);
  std::set<std::string> options;
  const std::regex option(R"((^|[\s,(])(--[a-z][a-z-]*))");
  for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), option);
       it != std::sregex_iterator(); ++it)
    options.insert((*it)[2].str());
  ASSERT_GE(options.size(), 20u);

  const std::string man = ReadSource("docs/man/kestle-dump.1.scd");
  const std::string completion = ReadSource("data/completion/kestle-dump");
  ASSERT_FALSE(man.empty());
  ASSERT_FALSE(completion.empty());
  for (const std::string& o : options) {
    // scdoc's bold: "*--option*" starts the option's entry.
    EXPECT_NE(man.find("*" + o + "*"), std::string::npos) << o << " is not in the manual page";
    EXPECT_TRUE(std::regex_search(completion, std::regex("(\\s|\")" + o + "(\\s|\")")))
        << o << " is not completed";
  }
}

}  // namespace
}  // namespace kestle

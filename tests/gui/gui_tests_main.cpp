// The one program of the window tests: runs the test named by the first
// argument (see GuiTestMain.h), or lists the tests when none is named.
#include <cstdio>

#include "gui/GuiTestMain.h"

namespace tsly::test {

std::map<std::string, GuiTestMain>& guiTests() {
  static std::map<std::string, GuiTestMain> tests;
  return tests;
}

static std::string selected;
const std::string& guiTestName() { return selected; }

}  // namespace tsly::test

int main(int argc, char** argv) {
  using namespace tsly::test;
  const auto it = argc > 1 ? guiTests().find(argv[1]) : guiTests().end();
  if (it == guiTests().end()) {
    std::fprintf(stderr, "usage: %s TEST [Qt Test arguments]; the tests:\n", argv[0]);
    for (const auto& t : guiTests()) std::fprintf(stderr, "  %s\n", t.first.c_str());
    return 2;
  }
  selected = it->first;
  return it->second(argc - 1, argv + 1);
}

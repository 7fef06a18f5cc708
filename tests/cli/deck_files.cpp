// Writes the job decks the `tsly nmo` command-line tests run (beside the
// gather.dat of `tsly synth`): decks made by "Make VELF commands" itself, and
// one deck per kind of malformed line.
// Usage: make_deck_files DIR
#include <cstdio>
#include <string>
#include <vector>

#include "support/DeckFixtures.h"
#include "support/TempDir.h"

using namespace tsly::test;

namespace {

// Picks on CDPs 1003 and 1008 of the synthetic gather (10 CDPs from 1001).
std::vector<std::string> tessalyDeck(const std::string& output) {
  return tessalyDeckLines(
      pickedCdps({{1008, {{600.0f, 2600}, {100.0f, 1900}}}, {1003, {{100.0f, 1800}, {600.0f, 2400}}}}), "gather.dat",
      ".5", false, output);
}

// The deck with line `index` (0-based) replaced, or dropped when `with` is empty.
std::vector<std::string> withLine(std::vector<std::string> lines, size_t index, const std::string& with) {
  if (with.empty())
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
  else
    lines[index] = with;
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_deck_files DIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  try {
    for (const char* name : {"deck_a", "deck_s", "deck_w", "deck_r", "deck_e", "deck_g"})
      writeFile(dir + name + ".job", deckText(tessalyDeck(std::string(name) + ".dat")));
    writeFile(dir + "deck_lf.job", deckText(tessalyDeck("deck_lf.dat"), "\n"));
    const auto bad = [&](const char* name, size_t index, const std::string& with) {
      writeFile(dir + name + ".job", deckText(withLine(tessalyDeck(std::string(name) + ".dat"), index, with)));
    };
    bad("bad_noinpf", 0, "");
    bad("bad_odd", 2, "VELF 1003 100 1800 600");
    bad("bad_order", 2, "VELF 1003 600 1800 100 2400");
    bad("bad_zero", 3, "VELF 1008 100 0");
    bad("bad_keyword", 1, "*NMOX  .5 0");
    bad("bad_missing", 0, "*INPF nothere.dat");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

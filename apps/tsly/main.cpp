// tsly: the command-line companion of Tessaly.
#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
  CLI::App app{"tsly - command-line companion of Tessaly"};
  app.require_subcommand(1);
  CLI11_PARSE(app, argc, argv);
  return 0;
}

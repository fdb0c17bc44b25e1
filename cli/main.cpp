// vornfill: fills any RTF template from CSV or SQLite data and report variables.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/fill_options.h"
#include "cli/fill_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  vorn::FillOptions options;
  try {
    options = vorn::ParseFillOptions(args);
  } catch (const vorn::UsageError& e) {
    std::cerr << "vornfill: " << e.message << "\n"
              << "Try 'vornfill --help'.\n";
    return 2;
  }
  if (options.help) {
    std::cout << vorn::FillUsage();
    return 0;
  }
  if (options.version) {
    std::cout << "vornfill " << VORN_VERSION << "\n";
    return 0;
  }
  return vorn::RunFill(options, std::cerr);
}

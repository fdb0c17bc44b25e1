#include "app/command_line.h"

#include "app/layouts.h"

namespace vorn {

namespace {
// The value of an option written "--name VALUE" or "--name=VALUE", or nullopt when
// `argument` is not that option.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, size_t& i,
                                       const std::string& name) {
  const std::string& argument = arguments[i];
  if (argument == name) {
    if (i + 1 >= arguments.size()) throw UsageError("Missing value for option " + name);
    return arguments[++i];
  }
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == '=') {
    return argument.substr(name.size() + 1);
  }
  return std::nullopt;
}

void CheckConsistent(const CommandLine& command) {
  if (command.no_open && !command.layout) {
    throw UsageError("Option --no-open needs --layout");
  }
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended) {
      command.values.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help") {
      command.help = true;
    } else if (argument == "--version") {
      command.version = true;
    } else if (argument == "--no-open") {
      command.no_open = true;
    } else if (auto layout = OptionValue(arguments, i, "--layout")) {
      const std::optional<std::string> name = CanonicalLayoutName(*layout);
      if (!name) throw UsageError("Unknown layout (use B5, A4, SM1, SM2 or OTHER): " + *layout);
      command.layout = *name;
    } else if (auto dir = OptionValue(arguments, i, "--templates")) {
      command.templates_dir = *dir;
    } else if (auto out = OptionValue(arguments, i, "--output")) {
      command.output_dir = *out;
    } else {
      command.values.push_back(argument);
    }
  }
  CheckConsistent(command);
  return command;
}

ProgramFolders FoldersFor(const CommandLine& command) {
  ProgramFolders folders = DefaultProgramFolders();
  if (command.templates_dir) folders.templates = *command.templates_dir;
  if (command.output_dir) folders.output = *command.output_dir;
  return folders;
}

std::string UsageText() {
  return "Usage: vornreport [OPTIONS] [--] [VALUE...]\n"
         "Prints a shelf price card for one product. The values fill, in order: product\n"
         "number, barcode, name, short name, unit, store price, suggested price, member\n"
         "price. Without --layout the dialog opens with them.\n"
         "\n"
         "  --layout NAME    print the layout NAME (B5, A4, SM1, SM2 or OTHER) without the dialog\n"
         "  --no-open        with --layout: write the card, print its path, do not open it\n"
         "  --templates DIR  read the layout templates from DIR instead of VornSAMPLE\n"
         "  --output DIR     write cards into DIR instead of VORNTEMP\n"
         "  --help           show this text\n"
         "  --version        show the program's version\n"
         "  --               every later argument is a value\n"
         "\n"
         "Exit status: 0 success, 1 report or data error, 2 usage error.\n";
}

}  // namespace vorn

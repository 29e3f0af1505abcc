#pragma once
// The options of meterlog2-cli's commands, described once as data (CommandDescription) and read
// with CLI11: the description gives the parser its options, --help its text and the bash completion
// its words (tests/cli/help_test.sh holds the completion to it). A command's run function gets
// what was given (Args) and checks the values itself; the parser has already refused unknown
// options, options given twice and options without their value, naming the option.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace meterlog2::cli {

// What the command line gave one command: each option's values by its long name ("--output"), in
// the order given (a flag has an empty value per use), and the operands (the log files), those
// after "--" included.
struct Args {
  std::map<std::string, std::vector<std::string>> values;
  std::vector<std::string> operands;
};

struct OptionDescription {
  const char* names;  // as CLI11 takes them: "-o,--output" or "--salvage"
  const char* value;  // the value's name in the help ("OUT"); nullptr for a flag
  const char* help;
  bool repeatable = false;  // may be given several times (--standard, --set)
  bool manyValues = false;  // takes the words that follow up to the next option (--set A=1 B=2)
};

struct CommandDescription {
  const char* name;
  const char* usage;  // what follows "usage: meterlog2-cli " (lines after the first indented)
  std::vector<OptionDescription> options;
  bool operands = true;              // takes operands (log files)
  int (*run)(Args& args) = nullptr;  // the exit status
  std::string (*more)() = nullptr;   // further help text after the usage, or nullptr
};

// Reads `arguments` (those after the command's name) for `command`: nothing, with `args` filled,
// or the exit status when there is nothing more to do: 0 after --help (the help on stdout), 2
// after a usage error (the message, naming the option, and the usage on stderr).
std::optional<int> ParseCommandLine(const CommandDescription& command,
                                    const std::vector<std::string>& arguments, Args& args);

// The help of `command` as --help prints it: usage, further text, then every option.
std::string CommandHelpText(const CommandDescription& command);

// Parses and runs `command`; its exit status.
int RunCommand(const CommandDescription& command, const std::vector<std::string>& arguments);

// The value of option `name` ("--output"), taken out of `args` (the first of several); false
// when it was not given (or every value was taken already).
bool TakeOption(Args& args, const std::string& name, std::string& value);
// Whether flag `name` was given; takes it out of `args`.
bool TakeFlag(Args& args, const std::string& name);

// Prints `message` (when not empty) and "usage: meterlog2-cli USAGE" on stderr; returns 2, the
// exit status of a command used wrongly.
int ReportUsage(const char* usage, const std::string& message);

}  // namespace meterlog2::cli

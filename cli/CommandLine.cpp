#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <iterator>

namespace meterlog2::cli {

namespace {

// A CLI11 app that knows the options of `command`. Every option keeps all its values: whether
// one may come twice is decided here (Check), so that the message names it.
std::vector<CLI::Option*> Declare(CLI::App& app, const CommandDescription& command,
                                  std::vector<std::string>& operands) {
  app.set_help_flag("-h,--help");
  std::vector<CLI::Option*> options;
  app.allow_extras();  // unknown options and surplus operands are reported below, in our words
  // On Windows CLI11 would read "/x" as an option; here it is a file name on every system.
  app.allow_windows_style_options(false);
  for (const OptionDescription& declared : command.options) {
    CLI::Option* option = declared.value != nullptr ? app.add_option(declared.names)->expected(1)
                                                    : app.add_flag(declared.names);
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    if (declared.manyValues) option->allow_extra_args();
    options.push_back(option);
  }
  if (command.operands) app.add_option("operands", operands);
  return options;
}

// The long name of `option` ("--output"), under which Args keeps its values.
std::string LongName(const CLI::Option& option) {
  return option.get_name();
}

// Why the command line cannot be run although CLI11 read it, or empty: an option given twice,
// an unknown option, a word the command does not take.
std::string Check(const CLI::App& app, const CommandDescription& command,
                  const std::vector<CLI::Option*>& options) {
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionDescription& declared = command.options[i];
    if (!declared.repeatable && !declared.manyValues && options[i]->count() > 1)
      return LongName(*options[i]) + " is given twice";
  }
  for (const std::string& word : app.remaining()) {
    if (word.size() > 1 && word[0] == '-')
      return "\"" + word +
             "\" is not an option of this command, or its value is missing (a file whose name "
             "begins with \"-\" goes after \"--\")";
    return "unexpected argument \"" + word + "\"";
  }
  return {};
}

// CLI11's reason in the words of this program where they differ: "--rows: 1 required TEXT
// missing" is "--rows needs a value".
std::string ParseErrorText(const CLI::ParseError& error) {
  const std::string text = error.what();
  const size_t colon = text.find(": ");
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && colon != std::string::npos &&
      text.size() > 8 && text.compare(text.size() - 8, 8, " missing") == 0)
    return text.substr(0, colon) + " needs a value";
  return text;
}

void Collect(const CLI::App& app, std::vector<std::string>& operands, Args& args) {
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_positional() || option->count() == 0 || LongName(*option) == "--help") continue;
    args.values[LongName(*option)] = option->results();
  }
  args.operands = std::move(operands);
}

}  // namespace

std::optional<int> ParseCommandLine(const CommandDescription& command,
                                    const std::vector<std::string>& arguments, Args& args) {
  CLI::App app(std::string(), command.name);
  std::vector<std::string> operands;
  const std::vector<CLI::Option*> options = Declare(app, command, operands);
  // What follows the first "--" is operands whatever it looks like; CLI11 reads what comes
  // before (in reverse order, as it takes them).
  const auto mark = std::find(arguments.begin(), arguments.end(), std::string("--"));
  std::vector<std::string> reversed(std::make_reverse_iterator(mark), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << CommandHelpText(command);
    return 0;
  } catch (const CLI::ParseError& error) {
    return ReportUsage(command.usage, ParseErrorText(error));
  }
  if (const std::string problem = Check(app, command, options); !problem.empty())
    return ReportUsage(command.usage, problem);
  if (mark != arguments.end() && !command.operands)
    return ReportUsage(command.usage, "unexpected argument \"--\"");
  if (mark != arguments.end()) operands.insert(operands.end(), mark + 1, arguments.end());
  Collect(app, operands, args);
  return std::nullopt;
}

std::string CommandHelpText(const CommandDescription& command) {
  std::string text = std::string("usage: meterlog2-cli ") + command.usage + "\n";
  if (command.more != nullptr) text += command.more();
  text += "options:\n";
  auto line = [&](const std::string& names, const char* help) {
    std::string entry = "  " + names;
    entry += entry.size() < 30 ? std::string(30 - entry.size(), ' ') : "\n" + std::string(30, ' ');
    text += entry + help + "\n";
  };
  for (const OptionDescription& declared : command.options) {
    std::string names = declared.names;
    if (const size_t comma = names.find(','); comma != std::string::npos)
      names.replace(comma, 1, ", ");
    if (declared.value != nullptr) names += std::string(" ") + declared.value;
    line(names, declared.help);
  }
  line("-h, --help", "this help");
  return text;
}

int RunCommand(const CommandDescription& command, const std::vector<std::string>& arguments) {
  Args args;
  if (const std::optional<int> status = ParseCommandLine(command, arguments, args)) return *status;
  return command.run(args);
}

bool TakeOption(Args& args, const std::string& name, std::string& value) {
  const auto found = args.values.find(name);
  if (found == args.values.end() || found->second.empty()) return false;
  value = found->second.front();
  found->second.erase(found->second.begin());
  return true;
}

bool TakeFlag(Args& args, const std::string& name) {
  std::string ignored;
  return TakeOption(args, name, ignored);
}

int ReportUsage(const char* usage, const std::string& message) {
  if (!message.empty()) std::cerr << "meterlog2-cli: " << message << "\n";
  std::cerr << "usage: meterlog2-cli " << usage << "\n";
  return 2;
}

}  // namespace meterlog2::cli

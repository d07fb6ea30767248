#pragma once
// The command line before and after CLI11 reads it: the language asked for,
// unknown options and commands named with the nearest known one, and CLI11's
// errors said in the interface language.

#include <optional>
#include <string>
#include <vector>

#include "cli/HelpTexts.h"

namespace CLI {
class App;
class Error;
}  // namespace CLI

namespace tessarin::cli {

struct ArgumentProblem {
    std::string text;
    std::string command;  // the sub-command whose --help would help; empty for tza's own
};

// The value of --lang (either form), or empty.
std::string LanguageArgument(int argc, char** argv);
// The first unknown command or option, or an option missing its value.
std::optional<ArgumentProblem> CheckArguments(CLI::App& app, int argc, char** argv, const HelpTexts& help);
// What CLI11's parse error means, in the interface language.
ArgumentProblem DescribeParseError(CLI::App& app, const CLI::Error& error, const HelpTexts& help);
// CLI11's own help words (usage, positionals, required ...) in the interface language.
void LabelHelp(CLI::App& app, const HelpTexts& help);
// The known word closest to `word` (at most two edits away, or a word it
// begins), or empty.
std::string NearestWord(const std::string& word, const std::vector<std::string>& known);

}  // namespace tessarin::cli

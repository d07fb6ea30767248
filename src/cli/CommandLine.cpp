#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstring>

#include "cli/TextWidth.h"
#include "core/LanguageTable.h"

namespace tessarin::cli {
namespace {

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* opt : app.get_options()) {
        for (const auto& n : opt->get_lnames()) names.push_back("--" + n);
        for (const auto& n : opt->get_snames()) names.push_back("-" + n);
    }
    return names;
}

CLI::App* FindCommand(CLI::App& app, const std::string& name) {
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; }))
        if (sub->get_name() == name) return sub;
    return nullptr;
}

std::string WithSuggestion(const HelpTexts& help, const char* key, const std::string& word,
                           const std::vector<std::string>& known) {
    std::string text = FormatText(help(key), {word});
    if (const std::string near = NearestWord(word, known); !near.empty())
        text += "; " + FormatText(help("usage.did-you-mean"), {near});
    return text;
}

// CLI11's help layout with the columns lined up by display width, so
// Japanese labels keep the descriptions in one column.
class WidthFormatter final : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option* opt, bool isPositional) const override {
        const std::string name = "  " + make_option_name(opt, isPositional) + make_option_opts(opt);
        const std::string description = make_option_desc(opt);
        const std::size_t column = get_column_width();
        if (DisplayWidth(name) >= column) return name + "\n" + std::string(column, ' ') + description + "\n";
        return PadToWidth(name, column) + description + "\n";
    }
};

}  // namespace

std::string NearestWord(const std::string& word, const std::vector<std::string>& known) {
    std::string best;
    std::size_t bestDistance = 3;
    for (const auto& k : known) {
        if (k.size() > word.size() && k.compare(0, word.size(), word) == 0 && word.size() >= 3) return k;
        const std::size_t d = EditDistance(word, k);
        if (d < bestDistance) bestDistance = d, best = k;
    }
    return best;
}

std::string LanguageArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--lang" && i + 1 < argc) return argv[i + 1];
        if (arg.starts_with("--lang=")) return std::string(arg.substr(7));
    }
    return {};
}

std::optional<ArgumentProblem> CheckArguments(CLI::App& app, int argc, char** argv, const HelpTexts& help) {
    CLI::App* current = &app;
    std::string command;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        if (arg.size() > 1 && arg[0] == '-') {
            std::string name = arg;
            bool inlineValue = false;
            if (arg.starts_with("--")) {
                if (const auto eq = arg.find('='); eq != std::string::npos)
                    name = arg.substr(0, eq), inlineValue = true;
            } else if (arg.size() > 2) {
                name = arg.substr(0, 2), inlineValue = true;  // -oDIR, -yv
            }
            const CLI::Option* opt = current->get_option_no_throw(name);
            if (!opt && current != &app) opt = app.get_option_no_throw(name);
            if (!opt) {
                std::vector<std::string> known = OptionNames(*current);
                if (current != &app) {
                    const auto global = OptionNames(app);
                    known.insert(known.end(), global.begin(), global.end());
                }
                return ArgumentProblem{WithSuggestion(help, "usage.unknown-option", name, known), command};
            }
            if (opt->get_items_expected_min() > 0 && !inlineValue) {
                if (i + 1 >= argc) return ArgumentProblem{FormatText(help("usage.needs-value"), {name}), command};
                ++i;
            }
            continue;
        }
        if (current != &app) continue;  // an argument of the command
        CLI::App* sub = FindCommand(app, arg);
        if (!sub) {
            std::vector<std::string> known;
            for (CLI::App* s : app.get_subcommands([](CLI::App*) { return true; })) known.push_back(s->get_name());
            return ArgumentProblem{WithSuggestion(help, "usage.unknown-command", arg, known), {}};
        }
        current = sub;
        command = arg;
    }
    return std::nullopt;
}

ArgumentProblem DescribeParseError(CLI::App& app, const CLI::Error& error, const HelpTexts& help) {
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    CLI::App* sub = parsed.empty() ? nullptr : parsed.front();
    const std::string command = sub ? sub->get_name() : std::string();
    const std::string what = error.what();
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (!sub) return {FormatText(help("usage.missing"), {help("label.command")}), {}};
        for (const CLI::Option* opt : sub->get_options())
            if (opt->get_required() && opt->count() == 0)
                return {FormatText(help("usage.missing"), {opt->get_name()}), command};
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        const auto at = what.find(" excludes ");
        if (at != std::string::npos)
            return {FormatText(help("usage.excludes"), {what.substr(0, at), what.substr(at + 10)}), command};
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        const auto colon = what.find(": ");
        return {FormatText(help("usage.unexpected"), {colon == std::string::npos ? what : what.substr(colon + 2)}),
                command};
    }
    if (dynamic_cast<const CLI::ConversionError*>(&error)) {
        const auto colon = what.find(": "), equals = what.find(" = ");
        if (colon != std::string::npos && equals != std::string::npos && equals > colon)
            return {FormatText(help("usage.not-number"),
                               {what.substr(colon + 2, equals - colon - 2), what.substr(equals + 3)}),
                    command};
    }
    return {what, command};
}

void LabelHelp(CLI::App& app, const HelpTexts& help) {
    auto formatter = std::make_shared<WidthFormatter>();
    app.formatter(formatter);
    formatter->label("Usage", help("label.usage"));
    formatter->label("OPTIONS", help("label.options"));
    formatter->label("SUBCOMMAND", help("label.command"));
    formatter->label("SUBCOMMANDS", help("label.command"));
    formatter->label("Positionals", help("label.positionals"));
    formatter->label("REQUIRED", help("label.required"));
    formatter->label("Excludes", help("label.excludes"));
    formatter->label("Needs", help("label.needs"));
    formatter->column_width(34);
}

}  // namespace tessarin::cli

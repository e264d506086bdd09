// quadrivo-cli: batch and scripting front end on the same core as the desktop program. The
// command line is one CLI11 app with a subcommand per command (the only file that includes
// CLI11); each option is bound to a field of its command's options record, which the command
// is handed once the line is parsed. Every refusal is worded by this program, never by CLI11.
#include "analysis/player.h"
#include "analysis/rating.h"
#include "cli/cli.h"
#include "control/dialogrules.h"
#include "files/text.h"
#include <CLI/CLI.hpp>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {
// A CLI11 check in this program's words: check may rewrite the value before CLI11 converts it
// and returns CLI11's refusal or ""; the refusal said is "takes WHAT, not 'VALUE'" (CLI11 puts
// "NAME: " before it).
CLI::Validator Takes(const std::string& what, std::function<std::string(std::string&)> check) {
    return CLI::Validator(
        [what, check](std::string& value) {
            const std::string given = value;
            return check(value).empty() ? std::string() : "takes " + what + ", not '" + given + "'";
        },
        "");
}

// A whole number low..high written in decimal: CLI11 alone would read "010" as octal and take
// "0x10", so the digits are checked and the leading zeros dropped before CLI::Range sees them.
CLI::Validator Whole(long long low, long long high, std::string what = "") {
    if (what.empty()) what = "a whole number " + std::to_string(low) + ".." + std::to_string(high);
    const CLI::Validator range = CLI::Range(low, high);
    return Takes(what, [range](std::string& value) {
        if (value.empty() || value.find_first_not_of("0123456789") != value.npos)
            return std::string("not decimal");
        value.erase(0, std::min(value.find_first_not_of('0'), value.size() - 1));
        return range(value);
    });
}

// A hexadecimal mask of at most four digits ("3F", "0x3f"), handed on as "0x3F" for CLI11 to
// convert.
CLI::Validator HexMask() {
    return Takes("a hexadecimal mask", [](std::string& value) {
        const size_t at = value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0;
        const std::string digits = value.substr(2 * at);
        if (digits.empty() || digits.size() > 4 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != digits.npos)
            return std::string("not a mask");
        value = "0x" + digits;
        return std::string();
    });
}

// An option that takes one of the names of table and sets *value to that name's number.
template <typename T>
CLI::Option* AddNamed(CLI::App* app, const char* name, T* value,
                      const std::vector<std::pair<std::string, T>>& table) {
    std::vector<std::string> names;
    std::string list;
    for (const auto& entry : table) {
        names.push_back(entry.first);
        list += (list.empty() ? "" : "/") + entry.first;
    }
    const CLI::Validator member = CLI::IsMember(names);
    auto named = [member, list](std::string& v) {
        return member(v).empty() ? std::string() : "'" + v + "' is not one of " + list;
    };
    // transform() puts each check in front of those before it: the names are checked first.
    return app->add_option(name, *value)
        ->transform(CLI::Transformer(table))
        ->transform(CLI::Validator(named, ""));
}

const std::vector<std::pair<std::string, int>> LEVELS = {
    {"any", 0},
    {"easy", LEVEL_EASY},
    {"medium", LEVEL_MEDIUM},
    {"difficult", LEVEL_DIFFICULT},
    {"very-difficult", LEVEL_VERY_DIFFICULT},
    {"fiendish", LEVEL_FIENDISH},
    {"extreme", PLAYER_EXTREME},
};
const std::vector<std::pair<std::string, int>> ORDERS = {
    {"classic", CLI_ORDER_CLASSIC},
    {"player", CLI_ORDER_PLAYER},
};
const std::vector<std::pair<std::string, uint32_t>> LAYOUTS = {
    {"linear", LAYOUT_LINEAR}, // all 81 characters on one line
    {"9x9", LAYOUT_9X9},       // nine lines of nine
    {"3x3", LAYOUT_3X3},       // blanks between boxes, empty lines between bands
    {"ruled", LAYOUT_RULED},   // bars between boxes, rule lines between bands
};
const std::vector<std::pair<std::string, uint32_t>> EMPTIES = {
    {"nulls", EMPTY_NULLS},
    {"dots", EMPTY_DOTS},
    {"dashes", EMPTY_DASHES},
};

// One command on the command line: its help, the words it was given (puzzles or files, and -f
// files) and what runs it with the inputs in the order given.
struct CommandLine {
    CLI::App* app = nullptr;
    const char* help = nullptr;
    bool wantsHelp = false;
    std::vector<std::string> words, dashed, files; // positionals, --puzzle=, -f
    CLI::Option *wordsOption = nullptr, *dashedOption = nullptr, *filesOption = nullptr;
    BatchOptions* batch = nullptr;
    std::function<int(const std::vector<InputSource>& inputs)> run;
};

CommandLine* AddCommand(CLI::App& app, std::vector<std::unique_ptr<CommandLine>>& lines,
                        const char* name, const char* summary, const char* help,
                        const char* positional = "PUZZLE") {
    lines.push_back(std::make_unique<CommandLine>());
    CommandLine* line = lines.back().get();
    line->help = help;
    line->app = app.add_subcommand(name, summary);
    line->app->set_help_flag();
    line->app->allow_extras(); // refused after the help, in this program's words
    line->app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    line->app->add_flag("-h,--help", line->wantsHelp);
    line->wordsOption = line->app->add_option(positional, line->words)
                            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    line->dashedOption = line->app->add_option("--puzzle", line->dashed)
                             ->allow_extra_args(false)
                             ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                             ->group("");
    return line;
}

// The options every puzzle command takes, after the command's own.
void AddBatchOptions(CommandLine* line, BatchOptions* batch) {
    line->batch = batch;
    batch->command = line->app->get_name();
    line->filesOption =
        line->app->add_option("-f", line->files)
            ->allow_extra_args(false) // one file a time: the words after it are puzzles
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    line->app->add_option("-j", batch->threads)
        ->transform(Whole(1, LLONG_MAX, "a number of threads, 1 or more"));
    line->app->add_flag("--stats", batch->stats);
}

// The puzzles (or files) and -f files of a parsed command, in command-line order.
std::vector<InputSource> Inputs(const CommandLine& line) {
    std::vector<InputSource> inputs;
    size_t word = 0, dashed = 0, file = 0;
    for (const CLI::Option* option : line.app->parse_order()) {
        if (option == line.wordsOption) inputs.push_back({false, line.words[word++]});
        if (option == line.dashedOption) inputs.push_back({false, line.dashed[dashed++]});
        if (option == line.filesOption) inputs.push_back({true, line.files[file++]});
    }
    return inputs;
}

std::string Usage(const CLI::App& app) {
    std::string text = "usage: quadrivo-cli COMMAND [ARGS]\n"
                       "       quadrivo-cli --help | --version\n\ncommands:\n";
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-8s %s\n", command->get_name().c_str(),
                      command->get_description().c_str());
        text += line;
    }
    return text + "\nA PUZZLE is 81 characters: '1'-'9' a digit, '.', '0' or '-' an empty cell.\n"
                  "Run 'quadrivo-cli COMMAND --help' for a command's options.\n"
                  "Exit status: 0 done, 1 a puzzle failed or the output could not be written,\n"
                  "2 bad input or command line (each command's help says more).\n";
}

// Says what is wrong with a command's line and where the help is; the status to exit with.
int Refuse(const std::string& command, const std::string& what) {
    std::fprintf(stderr, "quadrivo-cli %s: %s\nRun 'quadrivo-cli %s --help' for the options.\n",
                 command.c_str(), what.c_str(), command.c_str());
    return 2;
}

// The help, or the first word the command did not take; -1 when neither.
int HelpOrExtras(const CommandLine& line) {
    if (line.wantsHelp) return Emit(line.help, std::strlen(line.help)), 0;
    if (line.app->remaining().empty()) return -1;
    const std::string word = line.app->remaining()[0];
    return Refuse(line.app->get_name(),
                  (word.size() > 1 && word[0] == '-' ? "unknown option " : "unexpected argument ") +
                      word);
}

// What CLI11 refused in a command's line, in this program's words; the status to exit with.
int Refused(const CommandLine& line, const CLI::ParseError& e) {
    const std::string what = e.what(), command = line.app->get_name();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) // "-f: 1 required VALUE missing"
        return Refuse(command, "option " + what.substr(0, what.find(':')) + " needs a value");
    if (!dynamic_cast<const CLI::ExcludesError*>(&e)) return Refuse(command, what);
    // "--json excludes --check": said after the help and the extras
    if (const int status = HelpOrExtras(line); status >= 0) return status;
    const size_t at = what.find(" excludes ");
    std::fprintf(stderr, "quadrivo-cli %s: %s and %s do not go together\n", command.c_str(),
                 what.substr(0, at).c_str(), what.substr(at + 10).c_str());
    return 2;
}

// The first word when it is no command: the usage, the version or a refusal.
int FirstWord(const CLI::App& app, const char* first) {
    if (!first) {
        std::fputs(Usage(app).c_str(), stderr);
        return 2;
    }
    if (!std::strcmp(first, "--help") || !std::strcmp(first, "-h") || !std::strcmp(first, "help")) {
        Emit(Usage(app));
        return 0;
    }
    if (!std::strcmp(first, "--version")) {
        char version[64];
        VersionLine(version, sizeof version);
        Emit(std::string(version) + "\n");
        return 0;
    }
    std::fprintf(stderr, "quadrivo-cli: unknown command '%s'\n%s", first, Usage(app).c_str());
    return 2;
}

int RunCommandLine(int argc, char** argv) {
    CLI::App app("", "quadrivo-cli");
    app.set_help_flag();
    app.require_subcommand(0, 1);
    app.allow_extras(); // a first word that is no command: the usage, the version or a refusal
    app.prefix_command();

    std::vector<std::unique_ptr<CommandLine>> lines;
    CommandLine* c;
    BatchOptions check, solve;
    RateOptions rate;
    c = AddCommand(app, lines, "check",
                   "judge puzzles: Unique, No Solution, Invalid Position, Several",
                   CHECK_HELP.c_str());
    c->app->add_flag("--echo", check.echo);
    AddBatchOptions(c, &check);
    c->run = [&](const std::vector<InputSource>&) { return CmdCheck(check); };

    CountOptions count;
    c = AddCommand(app, lines, "count",
                   "count solutions up to a limit and print the last one reached",
                   COUNT_HELP.c_str());
    c->app->add_option("--limit", count.limit)->transform(Whole(0, INT32_MAX));
    AddBatchOptions(c, &count.batch);
    c->run = [&](const std::vector<InputSource>&) { return CmdCount(count); };

    c = AddCommand(app, lines, "solve", "print the unique solution", SOLVE_HELP.c_str());
    c->app->add_flag("--echo", solve.echo);
    AddBatchOptions(c, &solve);
    c->run = [&, c](const std::vector<InputSource>&) {
        solve.answerBad = !c->files.empty(); // with -f every input gets a line
        return CmdSolve(solve);
    };

    CreateOptions create;
    c = AddCommand(app, lines, "create", "make new minimal puzzles with a unique solution",
                   CREATE_HELP);
    c->app->add_option("-n", create.count)->transform(Whole(0, 100000000));
    AddNamed(c->app, "--level", &create.level, LEVELS);
    c->app->add_option("--technique", create.technique)
        ->transform(CLI::Validator(
            [](std::string& v) {
                const int t = TechniqueByName(v.c_str());
                if (t == TQ_NONE) return "'" + v + "' is no technique of the player's order";
                v = std::to_string(t);
                return std::string();
            },
            ""));
    c->app->add_option("--seed", create.seed)->transform(Whole(0, UINT32_MAX));
    c->app->add_option("-j", create.threads)
        ->transform(Whole(1, LLONG_MAX, "a number of threads, 1 or more"));
    c->app->add_flag("--stats", create.stats);
    c->run = [&](const std::vector<InputSource>& inputs) {
        if (inputs.empty()) return CmdCreate(create);
        std::fprintf(stderr, "quadrivo-cli create: takes only -n, --level, --technique, --seed, -j "
                             "and --stats\n");
        return 2;
    };

    c = AddCommand(app, lines, "rate", "rate puzzles by logic alone", RATE_HELP.c_str());
    AddNamed(c->app, "--scale", &rate.scale, ORDERS);
    AddBatchOptions(c, &rate.batch);
    c->run = [&](const std::vector<InputSource>&) { return CmdRate(rate); };

    PathOptions path;
    c = AddCommand(app, lines, "path", "print the solving path step by step", PATH_HELP.c_str());
    CLI::Option* json = c->app->add_flag("--json", path.json);
    c->app->add_flag("--check", path.check)->excludes(json);
    AddNamed(c->app, "--order", &path.order, ORDERS);
    AddBatchOptions(c, &path.batch);
    c->run = [&](const std::vector<InputSource>&) { return CmdPath(path); };

    HintOptions hint;
    c = AddCommand(app, lines, "hint", "print the next logical step", HINT_HELP.c_str());
    c->app->add_option("--techniques", hint.techniques)->transform(HexMask());
    c->app->add_option("--marks", hint.marks);
    c->app->add_flag("--candidates", hint.candidates);
    c->app->add_option("--level", hint.level)->transform(Whole(1, 3));
    AddNamed(c->app, "--order", &hint.order, ORDERS);
    AddBatchOptions(c, &hint.batch);
    c->run = [&](const std::vector<InputSource>&) { return CmdHint(hint); };

    FormatOptions format;
    c = AddCommand(app, lines, "format", "print a puzzle as text in a chosen layout",
                   FORMAT_HELP.c_str());
    AddNamed(c->app, "--layout", &format.layout, LAYOUTS);
    AddNamed(c->app, "--empty", &format.empty, EMPTIES);
    AddBatchOptions(c, &format.batch);
    c->run = [&](const std::vector<InputSource>&) { return CmdFormat(format); };

    ShowOptions show;
    c = AddCommand(app, lines, "show", "print what a saved game holds", SHOW_HELP, "FILE");
    AddNamed(c->app, "--empty", &show.empty, EMPTIES);
    c->run = [&](const std::vector<InputSource>& inputs) {
        for (const InputSource& input : inputs) show.files.push_back(input.text);
        return CmdShow(show);
    };

    // CLI11 takes the words last first. A puzzle may start with '-' (an empty first cell), which
    // CLI11 would take for an option, and after "--" every word is an input: such a word reaches
    // the command whole as the value of the hidden --puzzle=, unless it is the value of the
    // option before it. (CLI11 would hand the words after "--" back to the app above the command
    // once the command has one input.)
    const CLI::App* command = nullptr;
    for (auto& line : lines)
        if (argc > 1 && line->app->get_name() == argv[1]) command = line->app;
    const CLI::Option* before = nullptr; // the word before, when it is an option
    std::vector<std::string> words;
    bool options = true;
    for (int i = 1; i < argc; i++) {
        uint8_t cells[81];
        char why[PUZZLE_WHY_SIZE];
        if (i > 1 && options && !std::strcmp(argv[i], "--")) {
            options = false;
            continue;
        }
        const bool dashed =
            i > 1 && argv[i][0] == '-' && !(before && before->get_type_size() > 0) &&
            (!options || ReadPuzzleLine(argv[i], std::strlen(argv[i]), cells, why) >= 0);
        words.push_back(dashed ? std::string("--puzzle=") + argv[i] : argv[i]);
        before = command && options ? command->get_option_no_throw(argv[i]) : nullptr;
    }
    std::reverse(words.begin(), words.end());

    // The command chosen, when the first word is one.
    auto chosen = [&]() -> CommandLine* {
        if (app.get_subcommands().empty() || !app.remaining().empty()) return nullptr;
        for (auto& line : lines)
            if (line->app == app.get_subcommands()[0]) return line.get();
        return nullptr;
    };
    try {
        app.parse(words);
    } catch (const CLI::ParseError& e) {
        if (const CommandLine* line = chosen()) return Refused(*line, e);
    }
    CommandLine* line = chosen();
    if (!line) return FirstWord(app, argc > 1 ? argv[1] : nullptr);
    if (const int status = HelpOrExtras(*line); status >= 0) return status;
    const std::vector<InputSource> inputs = Inputs(*line);
    if (line->batch) line->batch->inputs = inputs;
    return line->run(inputs);
}
} // namespace

int main(int argc, char** argv) {
    // A closed pipe shows as EPIPE and ends the program quietly (see Emit).
    std::signal(SIGPIPE, SIG_IGN);
    const int status = RunCommandLine(argc, argv);
    return FinishOutput() ? status : 1;
}

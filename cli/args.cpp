// The command line of one command, parsed with CLI11 (the only file that includes it), and the
// checked standard output every command writes through.
#include "cli/cli.h"
#include "files/text.h"
#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstring>

bool CliArgs::Has(const char* flag) const {
    for (const std::string& f : flags)
        if (f == flag) return true;
    return false;
}

const std::string* CliArgs::Option(const char* name) const {
    const std::string* found = nullptr;
    for (const auto& o : options)
        if (o.first == name) found = &o.second;
    return found;
}

const char* const PUZZLE_HELP =
    "A PUZZLE is 81 characters, row by row: '1'-'9' a digit, '.', '0' or '-' an empty\n"
    "cell; it may start with '-', and \"--\" ends the options.\n"
    "  -f FILE     also read puzzles from FILE, one a line ('-': standard input;\n"
    "              blank lines and lines starting with '#' are skipped, a line over\n"
    "              4096 bytes is reported and skipped); puzzles and files are taken\n"
    "              in the order given, and work starts while input still arrives\n"
    "  -j N        use N worker processes (default: every core; at most four a\n"
    "              core); output stays in input order\n"
    "  --stats     print puzzles/s, the total time and the slowest puzzle on\n"
    "              standard error\n";

const std::vector<OptionRule> BATCH_OPTIONS = {
    {"-f", VALUE_TEXT},
    {"-j", VALUE_WORKERS},
    {"--stats", VALUE_NONE},
};

std::vector<OptionRule> BatchOptions(std::vector<OptionRule> own) {
    own.insert(own.end(), BATCH_OPTIONS.begin(), BATCH_OPTIONS.end());
    return own;
}

namespace {
// A CLI11 check of one value kind; the message follows the option's name ("-j: ...").
CLI::Validator Check(const OptionRule& rule) {
    return CLI::Validator(
        [rule](std::string& value) -> std::string {
            const bool digits =
                !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
            switch (rule.value) {
            case VALUE_WHOLE: {
                if (digits && value.size() <= 12) {
                    const long long v = std::stoll(value);
                    if (v >= rule.low && v <= rule.high) return "";
                }
                return "takes a whole number " + std::to_string(rule.low) + ".." +
                       std::to_string(rule.high) + ", not '" + value + "'";
            }
            case VALUE_WORKERS:
                if (digits && value.find_first_not_of('0') != std::string::npos) return "";
                return "takes a number of worker processes, 1 or more, not '" + value + "'";
            case VALUE_CHOICE: {
                const std::string names = rule.choices;
                for (size_t at = 0, end; at <= names.size(); at = end + 1) {
                    end = names.find('|', at);
                    if (end == std::string::npos) end = names.size();
                    if (names.compare(at, end - at, value) == 0) return "";
                }
                std::string list = names;
                for (char& c : list)
                    if (c == '|') c = '/';
                return "'" + value + "' is not one of " + list;
            }
            case VALUE_HEX: {
                const size_t at = value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0 ? 2 : 0;
                if (value.size() > at && value.size() - at <= 4 &&
                    value.find_first_not_of("0123456789abcdefABCDEF", at) == std::string::npos)
                    return "";
                return "takes a hexadecimal mask, not '" + value + "'";
            }
            default:
                return "";
            }
        },
        "", "");
}

// Writes the usage, or says what is wrong and where the help is; the status to exit with.
int Refuse(const char* command, const std::string& what) {
    std::fprintf(stderr, "quadrivo-cli %s: %s\nRun 'quadrivo-cli %s --help' for the options.\n",
                 command, what.c_str(), command);
    return 2;
}
} // namespace

int ParseCommandLine(int argc, char** argv, const std::vector<OptionRule>& rules, const char* help,
                     CliArgs* out) {
    *out = CliArgs{};
    const char* command = argv[0];
    out->command = command;
    // A puzzle may start with '-': CLI11 sees a stand-in word in its place (a control character
    // and the puzzle's index), and the puzzle is put back in the results.
    std::vector<std::string> puzzles;
    std::vector<std::string> words;
    for (int i = 1; i < argc; i++) {
        uint8_t cells[81];
        char why[PUZZLE_WHY_SIZE];
        if (argv[i][0] == '-' && ReadPuzzleLine(argv[i], std::strlen(argv[i]), cells, why) >= 0) {
            words.push_back("\x1d" + std::to_string(puzzles.size()));
            puzzles.push_back(argv[i]);
        } else {
            words.push_back(argv[i]);
        }
    }
    auto restore = [&](std::string word) {
        if (word.size() > 1 && word[0] == '\x1d') {
            const size_t k = std::strtoul(word.c_str() + 1, nullptr, 10);
            if (k < puzzles.size() && word == "\x1d" + std::to_string(k)) return puzzles[k];
        }
        return word;
    };

    CLI::App app("", command);
    app.set_help_flag();
    app.allow_extras();
    bool wantsHelp = false;
    app.add_flag("-h,--help", wantsHelp);
    std::vector<std::string> positional;
    CLI::Option* positionals = app.add_option("PUZZLE", positional);
    std::vector<std::pair<CLI::Option*, const OptionRule*>> bound;
    std::vector<std::string> values(rules.size());
    for (size_t k = 0; k < rules.size(); k++) {
        const OptionRule& rule = rules[k];
        CLI::Option* option;
        if (rule.value == VALUE_NONE) {
            option = app.add_flag(rule.name, [](std::int64_t) {});
        } else {
            option = app.add_option(rule.name, values[k]);
            option->check(Check(rule));
            if (std::strcmp(rule.name, "-f") == 0)
                option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            else
                option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        }
        bound.emplace_back(option, &rule);
    }

    std::vector<const char*> args = {command};
    for (const std::string& w : words) args.push_back(w.c_str());
    try {
        app.parse(int(args.size()), args.data());
    } catch (const CLI::ArgumentMismatch& e) { // "-f: 1 required VALUE missing"
        const std::string what = e.what();
        return Refuse(command, "option " + what.substr(0, what.find(':')) + " needs a value");
    } catch (const CLI::ParseError& e) {
        return Refuse(command, e.what());
    }
    if (wantsHelp) {
        Emit(help, std::strlen(help));
        return 0;
    }
    for (const std::string& word : app.remaining()) {
        if (word == "--") continue; // the end of the options, which CLI11 lists among the extras
        const std::string extra = restore(word);
        return Refuse(command, (extra.size() > 1 && extra[0] == '-' ? "unknown option "
                                                                    : "unexpected argument ") +
                                   extra);
    }

    // Options, flags and inputs in command-line order: each entry of the parse order takes the
    // next value its option received.
    std::vector<size_t> taken(bound.size() + 1, 0);
    for (const CLI::Option* option : app.parse_order()) {
        if (option == positionals) {
            const std::string value = restore(positionals->results()[taken.back()++]);
            out->positional.push_back(value);
            out->inputs.push_back({false, value});
            continue;
        }
        for (size_t k = 0; k < bound.size(); k++) {
            if (bound[k].first != option) continue;
            const OptionRule& rule = *bound[k].second;
            if (rule.value == VALUE_NONE) {
                out->flags.push_back(rule.name);
                break;
            }
            const std::string value = restore(option->results()[taken[k]++]);
            out->options.emplace_back(rule.name, value);
            if (std::strcmp(rule.name, "-f") == 0) out->inputs.push_back({true, value});
            break;
        }
    }
    return -1;
}

// ---- Checked output -------------------------------------------------------------------------

static bool WriteFailed = false;

// A reader that went away (| head) ends the program quietly, as SIGPIPE would have; anything
// else is reported once.
static bool ReportWriteError(int error) {
    if (error == EPIPE) {
        signal(SIGPIPE, SIG_DFL);
        raise(SIGPIPE);
    }
    if (!WriteFailed)
        std::fprintf(stderr, "quadrivo-cli: cannot write the output: %s\n",
                     std::strerror(error ? error : EIO));
    WriteFailed = true;
    return false;
}

bool Emit(const char* data, size_t size) {
    if (WriteFailed) return false;
    errno = 0;
    if ((size && std::fwrite(data, 1, size, stdout) != size) || std::ferror(stdout))
        return ReportWriteError(errno);
    return true;
}

bool Emit(const std::string& text) {
    return Emit(text.data(), text.size());
}

bool FinishOutput() {
    if (WriteFailed) return false;
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return ReportWriteError(errno);
    return true;
}

// Argument parsing, puzzle input (arguments and -f FILE), new-game loading and the batch runner.
#include "cli/cli.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include "model/modules.h"
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

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

static bool Listed(const std::vector<std::string>& names, const std::string& word) {
    for (const std::string& n : names)
        if (n == word) return true;
    return false;
}

bool ParseArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, CliArgs* out, std::string* error) {
    *out = CliArgs{};
    for (int i = 1; i < argc; i++) {
        std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            out->flags.push_back("--help");
        } else if (Listed(valueOptions, word)) {
            if (i + 1 >= argc) {
                *error = "option " + word + " needs a value";
                return false;
            }
            out->options.emplace_back(word, argv[++i]);
        } else if (Listed(flagOptions, word)) {
            out->flags.push_back(word);
        } else if (word.size() > 1 && word[0] == '-' && word != "-") {
            *error = "unknown option " + word;
            return false;
        } else {
            out->positional.push_back(word);
        }
    }
    return true;
}

bool ParsePuzzleArgument(const std::string& text, uint8_t cells[81], std::string* error) {
    if (text.size() != 81) {
        *error = "a puzzle has 81 characters, this one has " + std::to_string(text.size());
        return false;
    }
    uint8_t parsed[81];
    for (int i = 0; i < 81; i++) {
        char c = text[i];
        if (c >= '1' && c <= '9') {
            parsed[i] = uint8_t(c - '0');
        } else if (c == '.' || c == '0' || c == '-') {
            parsed[i] = 0;
        } else {
            char what[96];
            std::snprintf(what, sizeof what, "character %d is '%s%c', not a digit or '.', '0', '-'",
                          i + 1, (c < 32 || c > 126) ? "\\x" : "", (c < 32 || c > 126) ? '?' : c);
            *error = what;
            return false;
        }
    }
    std::memcpy(cells, parsed, 81);
    return true;
}

static void AddItem(const std::string& text, const std::string& origin,
                    std::vector<PuzzleItem>* items, int* bad) {
    PuzzleItem item;
    std::string error;
    if (!ParsePuzzleArgument(text, item.cells, &error)) {
        std::fprintf(stderr, "%s: %s\n", origin.c_str(), error.c_str());
        ++*bad;
        return;
    }
    item.text = text;
    item.origin = origin;
    items->push_back(std::move(item));
}

static void ReadPuzzleStream(std::istream& in, const std::string& name,
                             std::vector<PuzzleItem>* items, int* bad) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        AddItem(line, name + ":" + std::to_string(number), items, bad);
    }
}

std::vector<PuzzleItem> GatherPuzzles(const CliArgs& args, int* bad) {
    std::vector<PuzzleItem> items;
    *bad = 0;
    int n = 0;
    for (const std::string& p : args.positional)
        AddItem(p, "argument " + std::to_string(++n), &items, bad);
    for (const auto& o : args.options) {
        if (o.first != "-f") continue;
        if (o.second == "-") {
            ReadPuzzleStream(std::cin, "-", &items, bad);
            continue;
        }
        std::ifstream in(o.second, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot open the file\n", o.second.c_str());
            ++*bad;
            continue;
        }
        ReadPuzzleStream(in, o.second, &items, bad);
    }
    return items;
}

void LoadAsNewGame(const uint8_t cells[81]) {
    ShellHooks keep = Shell;
    ResetAllModules();
    InstallShellHooks(&keep);
    ResetState(RESET_ALL);
    for (int i = 0; i < 81; i++) Board[i] = cells[i] & CELL_DIGIT;
    ChangePosition(POS_RESET, 0, 0);
}

int RunBatch(const std::vector<PuzzleItem>& items, PerPuzzle fn, const CliArgs& args) {
    int worst = 0;
    for (const PuzzleItem& item : items) {
        ItemResult r = fn(item, args);
        std::fwrite(r.out.data(), 1, r.out.size(), stdout);
        std::fwrite(r.err.data(), 1, r.err.size(), stderr);
        if (r.status > worst) worst = r.status;
    }
    std::fflush(stdout);
    return worst;
}

static void ConsoleMessage(const char* text) {
    std::fprintf(stderr, "%s: %s\n", PROGRAM_NAME, text);
}

void InstallConsoleHooks(bool quiet) {
    ShellHooks hooks = {};
    if (!quiet) hooks.messageBox = ConsoleMessage;
    InstallShellHooks(&hooks);
}

// Argument parsing, puzzle input (arguments and -f FILE), new-game loading and the batch runner.
#include "cli/cli.h"
#include "control/session.h"
#include "model/board.h"
#include "model/history.h"
#include "model/hooks.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
        } else if (Listed(valueOptions, word) || word == "-f" || word == "-j") {
            if (i + 1 >= argc) {
                *error = "option " + word + " needs a value";
                return false;
            }
            out->options.emplace_back(word, argv[++i]);
        } else if (Listed(flagOptions, word) || word == "--stats") {
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

// ---- Batch runner ------------------------------------------------------------------------
// The core keeps its state in module-level variables, so parallel work runs in worker
// processes: worker w takes items w, w + N, w + 2N ... and sends each result back through its
// pipe as one frame; the parent prints the results in input order as they complete.

namespace {
using Clock = std::chrono::steady_clock;

struct Frame {
    uint32_t index;
    int32_t status;
    uint32_t outSize, errSize;
    double seconds;
};

struct Done {
    bool ready = false;
    ItemResult result;
    double seconds = 0;
};

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

ItemResult TimedRun(const PuzzleItem& item, PerPuzzle fn, const CliArgs& args, double* seconds) {
    Clock::time_point t0 = Clock::now();
    ItemResult r = fn(item, args);
    *seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return r;
}

// Results are sent in batches (every 64 KiB or 20 ms), so that the parent, which shares the
// cores with the workers, wakes up rarely.
[[noreturn]] void WorkerMain(const std::vector<PuzzleItem>& items, PerPuzzle fn,
                             const CliArgs& args, size_t first, size_t step, int fd) {
    std::string pending;
    Clock::time_point lastSend = Clock::now();
    for (size_t i = first; i < items.size(); i += step) {
        double seconds;
        ItemResult r = TimedRun(items[i], fn, args, &seconds);
        Frame f = {uint32_t(i), r.status, uint32_t(r.out.size()), uint32_t(r.err.size()), seconds};
        pending.append(reinterpret_cast<const char*>(&f), sizeof f);
        pending += r.out;
        pending += r.err;
        Clock::time_point now = Clock::now();
        if (pending.size() >= 65536 || now - lastSend >= std::chrono::milliseconds(20)) {
            if (!WriteAll(fd, pending.data(), pending.size())) _exit(3);
            pending.clear();
            lastSend = now;
        }
    }
    if (!WriteAll(fd, pending.data(), pending.size())) _exit(3);
    close(fd);
    _exit(0);
}

// Parses one pipe's buffered bytes into finished results.
void TakeFrames(std::string* buffer, std::vector<Done>* done) {
    size_t pos = 0;
    while (buffer->size() - pos >= sizeof(Frame)) {
        Frame f;
        std::memcpy(&f, buffer->data() + pos, sizeof f);
        size_t need = sizeof f + f.outSize + f.errSize;
        if (buffer->size() - pos < need) break;
        if (f.index < done->size()) {
            Done& d = (*done)[f.index];
            const char* body = buffer->data() + pos + sizeof f;
            d.result.out.assign(body, f.outSize);
            d.result.err.assign(body + f.outSize, f.errSize);
            d.result.status = f.status;
            d.seconds = f.seconds;
            d.ready = true;
        }
        pos += need;
    }
    buffer->erase(0, pos);
}

class Progress {
  public:
    Progress(size_t total) : total_(total), shown_(isatty(STDERR_FILENO) && total > 1) {}
    void Update(size_t finished) {
        if (!shown_) return;
        Clock::time_point now = Clock::now();
        if (finished < total_ && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        const int width = 40;
        int filled = int(width * finished / total_);
        std::fprintf(stderr, "\r[%.*s%*s] %zu/%zu", filled,
                     "########################################", width - filled, "", finished,
                     total_);
        if (finished == total_) std::fprintf(stderr, "\r%*s\r", width + 30, "");
        std::fflush(stderr);
    }

  private:
    size_t total_;
    bool shown_;
    Clock::time_point last_ = {};
};

int WorkerCount(const CliArgs& args, size_t items) {
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    if (const std::string* j = args.Option("-j")) n = std::atol(j->c_str());
    if (n < 1) n = 1;
    if (size_t(n) > items) n = long(items);
    return int(n < 1 ? 1 : n);
}
} // namespace

int RunBatch(const std::vector<PuzzleItem>& items, PerPuzzle fn, const CliArgs& args) {
    Clock::time_point start = Clock::now();
    std::vector<Done> done(items.size());
    int workers = WorkerCount(args, items.size());
    std::vector<int> fds;
    std::vector<pid_t> pids;
    if (workers > 1) {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int w = 0; w < workers; w++) {
            int p[2];
            if (pipe(p) != 0) break;
            pid_t pid = fork();
            if (pid < 0) {
                close(p[0]);
                close(p[1]);
                break;
            }
            if (pid == 0) {
                close(p[0]);
                for (int fd : fds) close(fd);
                WorkerMain(items, fn, args, size_t(w), size_t(workers), p[1]);
            }
            close(p[1]);
            fds.push_back(p[0]);
            pids.push_back(pid);
        }
        if (int(fds.size()) != workers) { // could not start them all: finish alone
            for (pid_t pid : pids) kill(pid, SIGKILL);
            for (pid_t pid : pids) waitpid(pid, nullptr, 0);
            for (int fd : fds) close(fd);
            fds.clear();
            pids.clear();
            workers = 1;
        }
    }

    Progress progress(items.size());
    size_t printed = 0, finished = 0;
    int worst = 0;
    auto flushReady = [&]() {
        while (printed < done.size() && done[printed].ready) {
            const ItemResult& r = done[printed].result;
            std::fwrite(r.out.data(), 1, r.out.size(), stdout);
            std::fwrite(r.err.data(), 1, r.err.size(), stderr);
            if (r.status > worst) worst = r.status;
            printed++;
        }
    };
    if (workers == 1) {
        for (size_t i = 0; i < items.size(); i++) {
            done[i].result = TimedRun(items[i], fn, args, &done[i].seconds);
            done[i].ready = true;
            flushReady();
            progress.Update(++finished);
        }
    } else {
        std::vector<std::string> buffers(fds.size());
        std::vector<pollfd> polls;
        for (int fd : fds) polls.push_back({fd, POLLIN, 0});
        size_t open = fds.size();
        char chunk[65536];
        while (open > 0) {
            if (poll(polls.data(), polls.size(), -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            for (size_t w = 0; w < polls.size(); w++) {
                if (polls[w].fd < 0 || !(polls[w].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                ssize_t n = read(polls[w].fd, chunk, sizeof chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    close(polls[w].fd);
                    polls[w].fd = -1;
                    open--;
                    continue;
                }
                buffers[w].append(chunk, size_t(n));
                TakeFrames(&buffers[w], &done);
            }
            flushReady();
            finished = 0;
            for (const Done& d : done) finished += d.ready;
            progress.Update(finished);
        }
        for (pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
        }
        if (printed < done.size()) {
            std::fprintf(stderr, "quadrivo-cli: a worker stopped before finishing its puzzles\n");
            worst = std::max(worst, 3);
        }
    }
    std::fflush(stdout);

    if (args.Has("--stats")) {
        double total = std::chrono::duration<double>(Clock::now() - start).count();
        size_t slowest = 0;
        for (size_t i = 1; i < done.size(); i++)
            if (done[i].seconds > done[slowest].seconds) slowest = i;
        std::fprintf(stderr, "puzzles: %zu  workers: %d  total: %.3f s  %.1f puzzles/s\n",
                     items.size(), workers, total, total > 0 ? double(items.size()) / total : 0.0);
        if (!done.empty())
            std::fprintf(stderr, "slowest: %.3f ms  %s  %s\n", done[slowest].seconds * 1e3,
                         items[slowest].origin.c_str(), items[slowest].text.c_str());
    }
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

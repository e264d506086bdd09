// The batch runner: the inputs are read as a stream and run in this process, on threads of this
// process for a command whose work keeps to records of its own (BatchOptions::threads: check,
// solve, count), or sent to worker processes for a command that still works on the core's shared
// game and analysis (rate, path, hint, format);
// the results are printed in input order as they complete, while later input may still be
// arriving. Each worker holds at most PER_WORKER puzzles and at most twice as many
// inputs a worker sit between reading and printing, so memory stays flat however long the input.
#include "cli/cli.h"
#include "model/hooks.h"
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool BatchSeveral = false;

static void ConsoleMessage(const char* text) {
    std::fprintf(stderr, "%s: %s\n", PROGRAM_NAME, text);
}

void InstallConsoleHooks(bool quiet) {
    ShellHooks hooks = {};
    if (!quiet) hooks.messageBox = ConsoleMessage;
    InstallShellHooks(&hooks);
}

namespace {
using Clock = std::chrono::steady_clock;

constexpr long WORKERS_PER_CORE = 4; // -j is held to this many workers a core
constexpr size_t PER_WORKER = 128;   // inputs sent to one worker and not yet answered, at most
constexpr size_t SEND_EVERY = 32;    // a worker answers at least every SEND_EVERY puzzles,
constexpr auto SEND_AFTER = std::chrono::milliseconds(20); // or this long after its last answer
constexpr size_t SEND_BYTES = 64 * 1024;                   // or when this much is waiting

// A puzzle on its way to a worker, followed by its text and origin.
struct ItemFrame {
    uint64_t seq, number;
    uint32_t textSize, originSize;
    uint8_t cells[81];
};
// A result on its way back, followed by its output and error text.
struct ResultFrame {
    uint64_t seq;
    int32_t status;
    uint32_t outSize, errSize;
    double seconds;
};

// One input between reading and printing.
struct Slot {
    PuzzleItem item;
    ItemResult result;
    double seconds = 0;
    int worker = -1; // the worker it went to
    bool ready = false;
    bool puzzle = false;
};

bool WriteAll(int fd, const char* p, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

ItemResult TimedRun(const PuzzleItem& item, const PerPuzzle& fn, double* seconds) {
    Clock::time_point t0 = Clock::now();
    ItemResult r = fn(item);
    *seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return r;
}

// A worker: runs the puzzles that arrive on in and answers on out, a few at a time so that the
// parent, which shares the cores with the workers, wakes up rarely; everything waiting is sent
// before it waits for more.
[[noreturn]] void WorkerMain(const PerPuzzle& fn, int in, int out) {
    std::string input, pending;
    size_t answered = 0;
    Clock::time_point lastSend = Clock::now();
    PuzzleItem item;
    auto send = [&] {
        if (!WriteAll(out, pending.data(), pending.size())) _exit(3);
        pending.clear();
        answered = 0;
        lastSend = Clock::now();
    };
    char chunk[65536];
    for (;;) {
        size_t at = 0;
        while (input.size() - at >= sizeof(ItemFrame)) {
            ItemFrame f;
            std::memcpy(&f, input.data() + at, sizeof f);
            if (input.size() - at < sizeof f + f.textSize + f.originSize) break;
            const char* body = input.data() + at + sizeof f;
            std::memcpy(item.cells, f.cells, 81);
            item.text.assign(body, f.textSize);
            item.origin.assign(body + f.textSize, f.originSize);
            item.number = f.number;
            at += sizeof f + f.textSize + f.originSize;
            double seconds;
            ItemResult r = TimedRun(item, fn, &seconds);
            ResultFrame back;
            std::memset(&back, 0, sizeof back); // padding included: every byte sent is set
            back.seq = f.seq;
            back.status = r.status;
            back.outSize = uint32_t(r.out.size());
            back.errSize = uint32_t(r.err.size());
            back.seconds = seconds;
            pending.append(reinterpret_cast<const char*>(&back), sizeof back);
            pending += r.out;
            pending += r.err;
            if (++answered >= SEND_EVERY || pending.size() >= SEND_BYTES ||
                Clock::now() - lastSend >= SEND_AFTER)
                send();
        }
        input.erase(0, at);
        pollfd more = {in, POLLIN, 0};
        if (!pending.empty() && poll(&more, 1, 0) == 0) send();
        ssize_t n = read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) _exit(3);
        if (n == 0) {
            send();
            _exit(0);
        }
        input.append(chunk, size_t(n));
    }
}

// The progress bar on a terminal's standard error: drawn at most every 100 ms, and cleared
// before results are printed over it.
class Progress {
  public:
    explicit Progress(long long total)
        : total_(total), shown_(isatty(STDERR_FILENO) && total != 0 && total != 1) {}
    void Update(size_t finished) {
        if (!shown_) return;
        Clock::time_point now = Clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        std::fflush(stdout); // the results so far stand above the bar
        const int width = 40;
        if (total_ > 0) {
            int filled = int(width * double(finished) / double(total_));
            filled = std::min(filled, width);
            std::fprintf(stderr, "\r[%.*s%*s] %zu/%lld", filled,
                         "########################################", width - filled, "", finished,
                         total_);
        } else {
            std::fprintf(stderr, "\r[%zu done]", finished);
        }
        drawn_ = true;
    }
    void Hide() {
        if (!drawn_) return;
        std::fprintf(stderr, "\r%*s\r", 72, "");
        drawn_ = false;
    }

  private:
    long long total_;
    bool shown_;
    bool drawn_ = false;
    Clock::time_point last_ = {};
};

// The number of workers -j asks for (every core without it), held to WORKERS_PER_CORE a core.
long WorkerLimit(const BatchOptions& batch) {
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    if (cores < 1) cores = 1;
    const long n = batch.workers > 0 ? batch.workers : cores;
    return std::max(1L, std::min(n, WORKERS_PER_CORE * cores));
}

class Batch {
  public:
    Batch(const BatchOptions& batch, const PerPuzzle& fn)
        : batch_(batch), fn_(fn), answerBad_(batch.answerBad), echo_(batch.echo),
          input_(batch.inputs) {}
    int Run();

  private:
    enum { TAKEN, TAKE_WAIT, TAKE_END };
    int Take(Slot* slot, bool block); // the next input: one read ahead, else Read
    int Read(Slot* slot, bool block);
    bool Print(Slot& slot);
    int RunHere();
    int RunThreads();
    void ThreadMain();
    int RunWorkers();
    bool StartWorker();
    void SendTo(size_t w, uint64_t seq, const Slot& slot);
    void Receive(size_t w);
    void LoseWorker(size_t w);
    void StopWorkers();
    bool WorkerRoom() const; // a worker could take a puzzle now (or it would run here)

    const BatchOptions& batch_;
    const PerPuzzle& fn_;
    bool answerBad_, echo_;
    PuzzleInput input_;
    std::vector<Slot> ahead_; // inputs read before the work starts
    size_t aheadNext_ = 0;
    int bad_ = 0, worst_ = 0;
    size_t inputs_ = 0, puzzles_ = 0, printed_ = 0;
    Progress* progress_ = nullptr;
    // The slowest puzzle, for --stats.
    double slowest_ = -1;
    std::string slowestOrigin_, slowestText_;

    struct Worker {
        pid_t pid;
        int to, from;
        std::string sending, received;
        size_t busy = 0; // puzzles sent and not answered
        bool alive = true;
    };
    std::vector<Worker> workers_;
    long limit_ = 1;
    std::vector<Slot> ring_;
    uint64_t next_ = 0, shown_ = 0; // sequence numbers: next to read, next to print

    // Threads (a command with threads set): they take the ring's inputs in order, claim_ the
    // next to take; guarded by lock_, with workReady_ and resultReady_ to wait on.
    std::vector<std::thread> threads_;
    std::mutex lock_;
    std::condition_variable workReady_, resultReady_;
    uint64_t claim_ = 0;
    bool stopping_ = false;
};

int Batch::Take(Slot* slot, bool block) {
    if (aheadNext_ < ahead_.size()) {
        *slot = std::move(ahead_[aheadNext_++]);
        return TAKEN;
    }
    return Read(slot, block);
}

int Batch::Read(Slot* slot, bool block) {
    std::string why;
    slot->ready = slot->puzzle = false;
    slot->worker = -1;
    slot->result = ItemResult{};
    switch (input_.Next(&slot->item, &why, block)) {
    case PuzzleInput::NEXT_PUZZLE:
        slot->puzzle = true;
        inputs_++;
        return TAKEN;
    case PuzzleInput::NEXT_BAD:
        inputs_++;
        bad_++;
        slot->result.err = slot->item.origin + ": " + why + "\n";
        if (answerBad_) slot->result.out = (echo_ ? slot->item.text + "\t" : "") + why + "\n";
        slot->ready = true;
        return TAKEN;
    case PuzzleInput::NEXT_FAILED:
        bad_++;
        slot->result.err = why + "\n";
        slot->ready = true;
        return TAKEN;
    case PuzzleInput::NEXT_WAIT:
        return TAKE_WAIT;
    default:
        return TAKE_END;
    }
}

bool Batch::Print(Slot& slot) {
    const ItemResult& r = slot.result;
    progress_->Hide();
    if (!Emit(r.out)) return false;
    if (!r.err.empty()) {
        if (!FinishOutput()) return false; // the error follows the output before it
        std::fwrite(r.err.data(), 1, r.err.size(), stderr);
    }
    worst_ = std::max(worst_, r.status);
    printed_++;
    if (slot.puzzle) {
        puzzles_++;
        if (slot.seconds > slowest_) {
            slowest_ = slot.seconds;
            slowestOrigin_ = slot.item.origin;
            slowestText_ = slot.item.text;
        }
    }
    return true;
}

int Batch::Run() {
    Clock::time_point start = Clock::now();
    Progress progress(isatty(STDERR_FILENO) ? CountInputs(batch_.inputs) : 0);
    progress_ = &progress;
    // Whether there are several inputs decides how results are labelled: two are read before
    // the work starts. A bad input at the front is reported at once all the same.
    for (Slot slot; inputs_ < 2;) {
        if (Read(&slot, true) != TAKEN) break;
        if (slot.ready && ahead_.empty()) {
            if (!Print(slot)) return 1;
            continue;
        }
        ahead_.push_back(std::move(slot));
    }
    BatchSeveral = inputs_ > 1;
    if (inputs_ == 0 && bad_ == 0) {
        std::fprintf(stderr, "quadrivo-cli %s: no puzzle given (see --help)\n",
                     batch_.command.c_str());
        return 2;
    }
    limit_ = WorkerLimit(batch_);
    int status = limit_ <= 1 || inputs_ <= 1 ? RunHere()
                 : batch_.threads            ? RunThreads()
                                             : RunWorkers();
    progress.Hide();
    if (status < 0) return 1; // the output failed
    if (!FinishOutput()) return 1;

    if (batch_.stats) {
        double total = std::chrono::duration<double>(Clock::now() - start).count();
        std::fprintf(stderr, "puzzles: %zu  workers: %d  total: %.3f s  %.1f puzzles/s\n", puzzles_,
                     std::max(1, int(workers_.size() + threads_.size())), total,
                     total > 0 ? double(puzzles_) / total : 0.0);
        if (slowest_ >= 0)
            std::fprintf(stderr, "slowest: %.3f ms  %s  %s\n", slowest_ * 1e3,
                         slowestOrigin_.c_str(), slowestText_.c_str());
    }
    return bad_ ? 2 : status;
}

// One input after another in this process: read, run, print.
int Batch::RunHere() {
    Slot slot;
    for (;;) {
        const int taken = Take(&slot, false);
        if (taken == TAKE_END) break;
        if (taken == TAKE_WAIT) {
            if (!FinishOutput()) return -1;
            pollfd wait = {input_.WaitFd(), POLLIN, 0};
            poll(&wait, 1, -1);
            continue;
        }
        if (!slot.ready) slot.result = TimedRun(slot.item, fn_, &slot.seconds);
        if (!Print(slot)) return -1;
        progress_->Update(printed_);
    }
    return worst_;
}

// A thread: runs the ring's inputs in order of arrival, as many threads at once as -j asks for;
// an input is its thread's alone from the moment it is claimed until it is marked ready, and
// the printer takes only claimed inputs, so a ring slot is never reused before it is claimed.
void Batch::ThreadMain() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        workReady_.wait(hold, [this] { return stopping_ || claim_ < next_; });
        if (claim_ == next_) return; // stopping, and nothing left to run
        Slot& slot = ring_[claim_++ % ring_.size()];
        if (!slot.ready) { // a bad input is ready as read: nothing to run
            hold.unlock();
            double seconds = 0;
            ItemResult result = TimedRun(slot.item, fn_, &seconds);
            hold.lock();
            slot.result = std::move(result);
            slot.seconds = seconds;
            slot.ready = true;
        }
        resultReady_.notify_one();
    }
}

// Inputs run on threads of this process: read while the ring has room, print each result in
// input order as soon as it and those before it are ready. The ring bounds what sits between
// reading and printing, so memory stays flat however long the input.
int Batch::RunThreads() {
    ring_.resize(2 * PER_WORKER * size_t(limit_));
    for (long t = 0; t < limit_; t++) threads_.emplace_back([this] { ThreadMain(); });
    int status = worst_;
    bool ended = false;
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        // Read while there is room; a stream with nothing new yet is waited for below.
        bool waiting = false;
        while (!ended && next_ - shown_ < ring_.size()) {
            Slot slot;
            hold.unlock();
            const int taken = Take(&slot, false);
            hold.lock();
            if (taken == TAKE_END) ended = true;
            if (taken != TAKEN) {
                waiting = taken == TAKE_WAIT;
                break;
            }
            ring_[next_ % ring_.size()] = std::move(slot);
            next_++;
            workReady_.notify_one();
        }
        // Print what is ready, in order.
        while (shown_ < claim_ && ring_[shown_ % ring_.size()].ready) {
            Slot slot = std::move(ring_[shown_ % ring_.size()]);
            shown_++;
            hold.unlock();
            const bool printed = Print(slot);
            if (printed) progress_->Update(printed_);
            hold.lock();
            if (!printed) {
                status = -1;
                break;
            }
        }
        if (status < 0 || (ended && shown_ == next_)) break;
        if (waiting) {
            // More input may come: wait for it, or a little while for a result.
            const bool pending = shown_ < next_;
            hold.unlock();
            if (!FinishOutput()) {
                hold.lock();
                status = -1;
                break;
            }
            pollfd wait = {input_.WaitFd(), POLLIN, 0};
            poll(&wait, 1, pending ? 10 : -1);
            hold.lock();
        } else if (ended || next_ - shown_ == ring_.size()) {
            resultReady_.wait(
                hold, [this] { return shown_ < claim_ && ring_[shown_ % ring_.size()].ready; });
        }
    }
    stopping_ = true;
    claim_ = next_; // what was not taken is not run
    hold.unlock();
    workReady_.notify_all();
    for (std::thread& t : threads_) t.join();
    return status < 0 ? -1 : std::max(status, worst_);
}

bool Batch::StartWorker() {
    int to[2], from[2];
    if (pipe(to) != 0) return false;
    if (pipe(from) != 0) {
        close(to[0]);
        close(to[1]);
        return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {to[0], to[1], from[0], from[1]}) close(fd);
        return false;
    }
    if (pid == 0) {
        close(to[1]);
        close(from[0]);
        for (const Worker& w : workers_) {
            close(w.to);
            close(w.from);
        }
        WorkerMain(fn_, to[0], from[1]);
    }
    close(to[0]);
    close(from[1]);
    fcntl(to[1], F_SETFL, fcntl(to[1], F_GETFL) | O_NONBLOCK);
    Worker w;
    w.pid = pid;
    w.to = to[1];
    w.from = from[0];
    workers_.push_back(std::move(w));
    return true;
}

void Batch::SendTo(size_t w, uint64_t seq, const Slot& slot) {
    ItemFrame f;
    std::memset(&f, 0, sizeof f); // padding included: every byte sent is set
    f.seq = seq;
    f.number = slot.item.number;
    f.textSize = uint32_t(slot.item.text.size());
    f.originSize = uint32_t(slot.item.origin.size());
    std::memcpy(f.cells, slot.item.cells, 81);
    std::string& s = workers_[w].sending;
    s.append(reinterpret_cast<const char*>(&f), sizeof f);
    s += slot.item.text;
    s += slot.item.origin;
    workers_[w].busy++;
}

void Batch::Receive(size_t w) {
    Worker& worker = workers_[w];
    char chunk[65536];
    ssize_t n = read(worker.from, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
        LoseWorker(w);
        return;
    }
    std::string& buffer = worker.received;
    buffer.append(chunk, size_t(n));
    size_t at = 0;
    while (buffer.size() - at >= sizeof(ResultFrame)) {
        ResultFrame f;
        std::memcpy(&f, buffer.data() + at, sizeof f);
        const size_t need = sizeof f + f.outSize + f.errSize;
        if (buffer.size() - at < need) break;
        Slot& slot = ring_[f.seq % ring_.size()];
        if (f.seq >= shown_ && f.seq < next_ && slot.worker == int(w) && !slot.ready) {
            const char* body = buffer.data() + at + sizeof f;
            slot.result.out.assign(body, f.outSize);
            slot.result.err.assign(body + f.outSize, f.errSize);
            slot.result.status = f.status;
            slot.seconds = f.seconds;
            slot.ready = true;
            worker.busy--;
        }
        at += need;
    }
    buffer.erase(0, at);
}

// A worker that ended with puzzles unanswered: they are reported, the others go on.
void Batch::LoseWorker(size_t w) {
    Worker& worker = workers_[w];
    close(worker.from);
    close(worker.to);
    worker.alive = false;
    waitpid(worker.pid, nullptr, 0);
    for (uint64_t seq = shown_; seq < next_; seq++) {
        Slot& slot = ring_[seq % ring_.size()];
        if (slot.worker != int(w) || slot.ready) continue;
        slot.result.err = slot.item.origin + ": a worker process stopped before finishing it\n";
        slot.result.status = 3;
        slot.ready = true;
    }
    worker.busy = 0;
}

bool Batch::WorkerRoom() const {
    long alive = 0;
    for (const Worker& w : workers_) {
        if (!w.alive) continue;
        if (w.busy < PER_WORKER) return true;
        alive++;
    }
    return alive < limit_ || alive == 0;
}

void Batch::StopWorkers() {
    for (Worker& w : workers_) {
        if (!w.alive) continue;
        close(w.to);
        close(w.from);
        kill(w.pid, SIGKILL);
        waitpid(w.pid, nullptr, 0);
        w.alive = false;
    }
}

int Batch::RunWorkers() {
    ring_.resize(2 * PER_WORKER * size_t(limit_));
    bool ended = false;
    for (;;) {
        // Read what is there while a worker can take it and the window has room.
        bool waiting = false;
        while (!ended && next_ - shown_ < ring_.size()) {
            // The least busy worker with room, and whether another may start.
            const size_t none = workers_.size();
            size_t idle = none;
            long alive = 0;
            for (size_t w = 0; w < workers_.size(); w++) {
                if (!workers_[w].alive) continue;
                alive++;
                if (workers_[w].busy < PER_WORKER &&
                    (idle == none || workers_[w].busy < workers_[idle].busy))
                    idle = w;
            }
            const bool mayStart = alive < limit_;
            if (idle == none && !mayStart && alive > 0) break;
            Slot& slot = ring_[next_ % ring_.size()];
            const int taken = Take(&slot, false);
            if (taken == TAKE_END) ended = true;
            if (taken == TAKE_WAIT) waiting = true;
            if (taken != TAKEN) break;
            if (!slot.ready) {
                if (mayStart && (idle == none || workers_[idle].busy > 0)) {
                    if (StartWorker())
                        idle = workers_.size() - 1;
                    else
                        limit_ = alive; // no more: the ones running go on
                }
                if (idle < workers_.size()) {
                    slot.worker = int(idle);
                    SendTo(idle, next_, slot);
                } else { // no worker could be started: the puzzle runs here
                    slot.result = TimedRun(slot.item, fn_, &slot.seconds);
                    slot.ready = true;
                }
            }
            next_++;
        }
        // Send what the workers can take now.
        for (Worker& w : workers_) {
            if (!w.alive || w.sending.empty()) continue;
            ssize_t n = write(w.to, w.sending.data(), w.sending.size());
            if (n > 0) w.sending.erase(0, size_t(n));
        }
        // Print what is ready, in order.
        while (shown_ < next_ && ring_[shown_ % ring_.size()].ready) {
            if (!Print(ring_[shown_ % ring_.size()])) {
                StopWorkers();
                return -1;
            }
            shown_++;
        }
        progress_->Update(printed_);
        if (ended && shown_ == next_) break;
        // Printing may have made room in the window: read on before waiting.
        if (!ended && !waiting && next_ - shown_ < ring_.size() && WorkerRoom()) continue;

        if (!FinishOutput()) {
            StopWorkers();
            return -1;
        }
        std::vector<pollfd> polls;
        std::vector<size_t> owner;
        for (size_t w = 0; w < workers_.size(); w++) {
            if (!workers_[w].alive) continue;
            polls.push_back({workers_[w].from, POLLIN, 0});
            owner.push_back(w);
            if (!workers_[w].sending.empty()) {
                polls.push_back({workers_[w].to, POLLOUT, 0});
                owner.push_back(SIZE_MAX);
            }
        }
        if (waiting) {
            polls.push_back({input_.WaitFd(), POLLIN, 0});
            owner.push_back(SIZE_MAX);
        }
        if (polls.empty()) continue; // every worker is gone: the rest is read and run here
        if (poll(polls.data(), polls.size(), -1) < 0 && errno != EINTR) break;
        for (size_t k = 0; k < polls.size(); k++)
            if (owner[k] != SIZE_MAX && (polls[k].revents & (POLLIN | POLLHUP | POLLERR)))
                Receive(owner[k]);
    }
    for (Worker& w : workers_) {
        if (!w.alive) continue;
        close(w.to);
        close(w.from);
        waitpid(w.pid, nullptr, 0);
        w.alive = false;
    }
    return worst_;
}
} // namespace

int RunBatch(const BatchOptions& options, const PerPuzzle& fn) {
    Batch batch(options, fn);
    return batch.Run();
}

bool ReadOnePuzzle(const BatchOptions& batch, PuzzleItem* item, int* inputs) {
    PuzzleInput input(batch.inputs);
    PuzzleItem next;
    std::string why;
    int puzzles = 0, bad = 0;
    for (;;) {
        const int r = input.Next(&next, &why, true);
        if (r == PuzzleInput::NEXT_END) break;
        if (r == PuzzleInput::NEXT_PUZZLE && ++puzzles == 1) *item = next;
        if (r == PuzzleInput::NEXT_BAD)
            std::fprintf(stderr, "%s: %s\n", next.origin.c_str(), why.c_str());
        if (r == PuzzleInput::NEXT_FAILED) std::fprintf(stderr, "%s\n", why.c_str());
        bad += r == PuzzleInput::NEXT_BAD || r == PuzzleInput::NEXT_FAILED;
        if (puzzles > 1) break;
    }
    *inputs = puzzles + bad;
    return puzzles == 1 && bad == 0;
}

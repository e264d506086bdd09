// The batch runner: the inputs are read as a stream and run on threads of this process, each
// puzzle on records of its own; the results are printed in input order as they complete, while
// later input may still be arriving. At most SLOTS_PER_THREAD inputs a thread sit between
// reading and printing, so memory stays flat however long the input.
#include "cli/cli.h"
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

bool BatchSeveral = false;

namespace {
using Clock = std::chrono::steady_clock;

constexpr long THREADS_PER_CORE = 4;     // -j is held to this many threads a core
constexpr size_t SLOTS_PER_THREAD = 256; // inputs a thread may have between reading and printing
// One input between reading and printing.
struct Slot {
    PuzzleItem item;
    ItemResult result;
    double seconds = 0;
    bool ready = false;
    bool puzzle = false;
};

ItemResult TimedRun(const PuzzleItem& item, const PerPuzzle& fn, double* seconds) {
    Clock::time_point t0 = Clock::now();
    ItemResult r = fn(item);
    *seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    return r;
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

// The number of threads -j asks for (every core without it), held to THREADS_PER_CORE a core.
long ThreadLimit(const BatchOptions& batch) {
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
    if (cores < 1) cores = 1;
    const long n = batch.threads > 0 ? batch.threads : cores;
    return std::max(1L, std::min(n, THREADS_PER_CORE * cores));
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

    long limit_ = 1;
    std::vector<Slot> ring_;
    uint64_t next_ = 0, shown_ = 0; // sequence numbers: next to read, next to print

    // Threads: they take the ring's inputs in order, claim_ the
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
    limit_ = ThreadLimit(batch_);
    int status = limit_ <= 1 || inputs_ <= 1 ? RunHere() : RunThreads();
    progress.Hide();
    if (status < 0) return 1; // the output failed
    if (!FinishOutput()) return 1;

    if (batch_.stats) {
        double total = std::chrono::duration<double>(Clock::now() - start).count();
        std::fprintf(stderr, "puzzles: %zu  workers: %d  total: %.3f s  %.1f puzzles/s\n", puzzles_,
                     std::max(1, int(threads_.size())), total,
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
    ring_.resize(SLOTS_PER_THREAD * size_t(limit_));
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

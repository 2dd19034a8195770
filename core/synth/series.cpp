#include "core/synth/series.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "core/edit/smooth.h"
#include "core/files/swf.h"
#include "core/synth/swift.h"

namespace pelorin {

namespace {

bool IsSwfAt(const std::string& path, std::size_t p) {
    static constexpr char kSwf[] = ".swf";
    for (std::size_t i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(path[p + i]);
        if (std::tolower(c) != kSwf[i])
            return false;
    }
    return true;
}

std::size_t FileNameStart(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");
#else
    const std::size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? 0 : slash + 1;
}

void Note(std::vector<std::string>& list, std::uint64_t& count, std::uint64_t k,
          const char* reason) {
    ++count;
    if (list.size() < kSeriesReportListLimit)
        list.push_back("member " + std::to_string(k) + ": " + reason);
}

// What became of one member.
struct MemberResult {
    enum { Written, Skipped, Failed } outcome = Written;
    std::string reason;
};

// Everything one worker needs of its own: members run side by side share
// nothing but the transform plans.
struct Worker {
    std::vector<double> profile;  // the last member it built
    SwiftWork work;
    std::vector<double> waveform;        // the synthesis's output
    std::vector<std::uint16_t> written;  // the codes of the last waveform it wrote
    std::uint64_t member = 0;            // the member it runs
    std::optional<std::uint64_t> written_member;
    MemberResult result;
};

// One member: its profile built (cleared first), smoothed when asked,
// synthesised and, once may_write says so, stored. Returns false when it was
// not to be stored after all (the series stopped before its turn).
template <class MayWrite>
bool RunMember(Worker& w, double bandwidth, const SeriesName& name, const SeriesMember& build,
               bool smooth, const PhaseChoice& choice, MayWrite may_write) {
    w.result = {};
    std::fill(w.profile.begin(), w.profile.end(), 0.0);
    try {
        build(w.profile, w.member);
        if (smooth)
            SmoothData(w.profile, 3);
        SynthesiseSwift(w.profile, -1, w.waveform, nullptr, &w.work, choice);
    } catch (const Refusal& refusal) {
        w.result = {MemberResult::Skipped, refusal.what()};
        return true;
    }
    if (!may_write())
        return false;
    try {
        StoreSwift(SeriesMemberName(name, w.member), static_cast<int>(2 * w.profile.size()),
                   bandwidth, w.waveform);
        // Kept aside as the file holds it, in a quarter of the waveform's
        // memory; the waveform's buffer serves the next synthesis.
        w.written.resize(w.waveform.size());
        for (std::size_t i = 0; i < w.waveform.size(); ++i)
            w.written[i] = SampleCode(w.waveform[i]);
        w.written_member = w.member;
    } catch (const Refusal& refusal) {
        w.result = {MemberResult::Failed, refusal.what()};
    }
    return true;
}

// The members of a series, handed out in order to the workers; their files
// are written and their results taken back in order. Member k is written only
// once member k - 1 has been accounted for and the series goes on, so that a
// failed write or a cancel leaves exactly the files a run one member at a time
// leaves, however many members were being synthesised beside it. A worker
// runs at most `window` members ahead of the one accounted for next.
class MemberQueue {
public:
    struct Result {
        MemberResult member;
        std::exception_ptr error;
    };

    MemberQueue(std::uint64_t first, std::uint64_t last, std::uint64_t window)
        : next_(first), last_(last), accounted_(first), window_(window) {}

    // The next member to run, or nothing when the series is over or stopped.
    std::optional<std::uint64_t> Take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || done_ || next_ - accounted_ < window_; });
        if (stop_ || done_)
            return std::nullopt;
        const std::uint64_t k = next_;
        // k == last ends the handing out before ++next_, so last = UINT64_MAX
        // still ends.
        if (k == last_)
            done_ = true;
        else
            ++next_;
        return k;
    }

    // Waits for member k's turn to be written: true when it comes, false when
    // the series stops first.
    bool MayWrite(std::uint64_t k) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || accounted_ == k; });
        return !stop_;
    }

    void Finish(std::uint64_t k, Result result) {
        std::lock_guard lock(mutex_);
        results_.emplace(k, std::move(result));
        changed_.notify_all();
    }

    // The result of member k, the next in order.
    Result Wait(std::uint64_t k) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return results_.count(k) != 0; });
        auto it = results_.find(k);
        Result r = std::move(it->second);
        results_.erase(it);
        return r;
    }

    // Member k is accounted for and the series goes on: member k + 1 may be
    // written, and the workers may run one member further.
    void Accounted(std::uint64_t k) {
        std::lock_guard lock(mutex_);
        accounted_ = k + 1;
        changed_.notify_all();
    }

    // No member is handed out or written any more.
    void Stop() {
        std::lock_guard lock(mutex_);
        stop_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t next_;
    std::uint64_t last_;
    std::uint64_t accounted_;
    std::uint64_t window_;
    bool done_ = false;
    bool stop_ = false;
    std::map<std::uint64_t, Result> results_;
};

// How many members run side by side: one per core, fewer when their work
// arrays (about 40 bytes a profile point each) would take more than 2 GiB.
unsigned Workers(unsigned threads, std::size_t points, std::uint64_t total) {
    unsigned n = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t each = 40 * points + 1;
    n = static_cast<unsigned>(
        std::min<std::size_t>(n, std::max<std::size_t>(1, (std::size_t{2} << 30) / each)));
    return static_cast<unsigned>(std::min<std::uint64_t>(n, total));
}

void AppendList(std::string& text, const std::vector<std::string>& list, std::uint64_t count) {
    for (const std::string& entry : list)
        text += "\n  " + entry;
    if (count > list.size())
        text += "\n  ... and " + std::to_string(count - list.size()) + " more";
}

std::string Members(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " member" : " members");
}

}  // namespace

SeriesName SplitSeriesPath(const std::string& path) {
    const std::size_t name_at = FileNameStart(path);
    if (path.size() - name_at >= 4) {
        for (std::size_t p = path.size() - 3; p-- > name_at;) {
            if (IsSwfAt(path, p))
                return {path.substr(0, p), path.substr(p)};
        }
    }
    return {path, ".swf"};
}

std::string SeriesMemberName(const SeriesName& name, std::uint64_t k) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%04" PRIu64, k);
    return name.stem + "_" + digits + name.extension;
}

SeriesReport RunSeries(const SeriesTarget& target, const SeriesName& name, std::uint64_t first,
                       std::uint64_t last, const SeriesMember& build_member, bool smooth,
                       const SeriesProgress& progress, unsigned threads) {
    if (target.profile.empty())
        throw Refusal("A series needs a profile: apply Set/Reset first, then run the series.");
    SeriesReport report;
    if (first > last)
        return report;
    // 0 .. 2^64 - 1 has one member more than a uint64_t counts; saturate.
    report.total = last - first == UINT64_MAX ? UINT64_MAX : last - first + 1;

    // Workers take the members in order; the files are written and the
    // results accounted for in order (see MemberQueue). Each worker keeps its
    // arrays from one member to the next: every member has the same length.
    const std::size_t points = target.profile.size();
    std::vector<Worker> workers(Workers(threads, points, report.total));
    for (Worker& w : workers)
        w.profile.resize(points);
    MemberQueue queue(first, last, 2 * workers.size());
    std::uint64_t last_accounted = first;
    {
        std::vector<std::jthread> running;
        // However the accounting ends, the workers stop taking members and
        // are joined before anything they hold is read.
        struct StopOnExit {
            MemberQueue& queue;
            ~StopOnExit() { queue.Stop(); }
        } stop_on_exit{queue};
        for (Worker& w : workers)
            running.emplace_back([&queue, &w, &target, &name, &build_member, smooth] {
                while (const auto k = queue.Take()) {
                    w.member = *k;
                    MemberQueue::Result result;
                    try {
                        if (!RunMember(w, target.bandwidth, name, build_member, smooth,
                                       target.synthesis, [&] { return queue.MayWrite(*k); }))
                            return;  // stopped: nothing more to write
                        result.member = w.result;
                    } catch (...) {
                        result.error = std::current_exception();
                    }
                    queue.Finish(*k, std::move(result));
                }
            });

        std::exception_ptr error;
        for (std::uint64_t k = first;; ++k) {
            const MemberQueue::Result result = queue.Wait(k);
            if (result.error) {
                error = result.error;
                break;
            }
            last_accounted = k;
            const bool more = k != last;
            ++report.done;
            if (result.member.outcome == MemberResult::Written) {
                ++report.written;
            } else if (result.member.outcome == MemberResult::Skipped) {
                Note(report.skipped, report.skipped_count, k, result.member.reason.c_str());
            } else {
                Note(report.failed, report.failed_count, k, result.member.reason.c_str());
                // A file that cannot be written stops the series: the next
                // ones would go to the same folder or disk.
                report.stopped = more;
                break;
            }
            if (progress && !progress(report.done, report.total) && more) {
                report.cancelled = true;
                break;
            }
            if (!more)
                break;
            queue.Accounted(k);
        }
        queue.Stop();
        running.clear();  // joins the workers
        if (error)
            std::rethrow_exception(error);
    }
    // The profile shows the last member accounted for, built again here (its
    // worker may have gone on to another); Swift holds the last one written.
    if (report.done > 0) {
        const std::span<double> profile = target.profile;
        std::fill(profile.begin(), profile.end(), 0.0);
        try {
            build_member(profile, last_accounted);
            if (smooth)
                SmoothData(profile, 3);
        } catch (const Refusal&) {
            // A member skipped by its builder shows what the builder left.
        }
    }
    const Worker* written = nullptr;
    for (const Worker& w : workers)
        if (w.written_member && (!written || *w.written_member > *written->written_member))
            written = &w;
    if (written != nullptr && target.last_written != nullptr) {
        std::vector<double>& last = *target.last_written;
        last.resize(written->written.size());
        for (std::size_t i = 0; i < last.size(); ++i)
            last[i] = CodeMidpoint(written->written[i]);
    }
    return report;
}

std::string SeriesSummary(const SeriesReport& report) {
    std::string text;
    if (report.total == 0)
        return "The series has no members (the first value is greater than the last): no "
               "file written.";
    text = std::to_string(report.written) + " of " + std::to_string(report.total) +
           (report.total == 1 ? " file" : " files") + " written.";
    if (report.skipped_count > 0) {
        text += "\nSkipped " + Members(report.skipped_count) + ", no file written:";
        AppendList(text, report.skipped, report.skipped_count);
    }
    if (report.failed_count > 0) {
        text += "\nFailed to write " + Members(report.failed_count) + ":";
        AppendList(text, report.failed, report.failed_count);
    }
    if (report.stopped)
        text += "\nStopped there; the files already written are kept.";
    if (report.cancelled)
        text +=
            "\nCancelled after " + Members(report.done) + "; the files already written are kept.";
    return text;
}

}  // namespace pelorin

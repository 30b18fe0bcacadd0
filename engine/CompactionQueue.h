#pragma once
// The files of a run and the threads that compact them, several at once. Only the thread that owns the queue (the
// one that made it) logs and drives the progress bar: it asks for each file's outcome in the log's order while the
// workers, which touch neither the log nor the bar, compact the files in an order of their own.
//
// Which file a free worker takes: never one after a file that gave up its profile (see below), never one while a
// file that must run alone runs, and never the same file twice at once. A file that must run alone (its disk
// seeks) starts only when it is the first file not yet started and nothing else runs; otherwise the largest file
// goes first, so that the big ones do not end up running alone at the end. With one worker the files go in list
// order, one after the other.
//
// A file that gives up its profile (its program still holds it) is the last file of the run that starts: the log
// ends there, as it would if the files ran one after the other. Files after it that already run are cancelled;
// files before it still run, since the log tells of them. A stop starts nothing more and ends running files
// through the engine's progress hook. A file whose "VACUUM" failed for want of room (or memory, or a working disk)
// while another file ran beside it is tried once more alone, so that one worker's full disk does not cost another
// file its compaction and the log says what a run of one file after another would have said.

#include "engine/Compaction.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class IProgressBar;
class StopSignal;

struct CompactionJob {
    std::string path;
    std::string programName; // the owning program's name, for the lines that give up the profile
    std::uint64_t size = 0;  // bytes, to take the largest first
    bool alone = false;      // may only run with no other file beside it
};

class CompactionQueue {
public:
    // Called when a file's compaction starts (started true) and ends, one call at a time, on the thread that
    // compacts it; file is the job's index. For tests.
    using Trace = std::function<void(std::size_t file, bool started)>;

    // Starts up to workers threads (no more than there are jobs). With one worker, or when no thread can be
    // started, nothing runs by itself: each file is compacted on the owning thread when WaitUntilFinished asks for
    // it. progress and stop may be none.
    CompactionQueue(std::vector<CompactionJob> jobs, unsigned workers, IProgressBar* progress, const StopSignal* stop,
                    Trace trace = nullptr);
    // Finishes the queue.
    ~CompactionQueue();
    CompactionQueue(const CompactionQueue&) = delete;
    CompactionQueue& operator=(const CompactionQueue&) = delete;

    // The owning thread's calls. While they wait, each file that ends advances the progress bar by its size in
    // kilobytes (a file that a stop or a cancel ended does not), in the order in which the files end.

    // Waits until the file has started; false when it never will (a stop came first, or the queue is finished).
    bool WaitUntilStarted(std::size_t file);
    // Waits until the file has ended and answers what came of it; stopped when a stop ended it or its retry never
    // came.
    FileCompaction WaitUntilFinished(std::size_t file);
    // Starts no more files, cancels the running ones and waits until they have ended (every connection closed).
    void Finish();

private:
    struct Task;

    void Work();
    Task* Pick();
    bool AnyLeftToStart() const;
    void Begin(Task& task);
    void End(Task& task, FileCompaction result);
    FileCompaction Compact(Task& task);
    // Advances the bar by the files that ended since the last call; unlocks while it talks to the bar. False when
    // there was nothing to tell.
    bool TellProgress(std::unique_lock<std::mutex>& lock);

    std::vector<std::unique_ptr<Task>> tasks_;
    IProgressBar* progress_;
    const StopSignal* stop_;
    Trace trace_;

    std::mutex mutex_;
    std::condition_variable changed_; // any task started or ended, or the queue finished
    std::vector<std::thread> threads_;
    bool onOwningThread_ = true;     // no worker threads: WaitUntilFinished compacts
    std::size_t slots_ = 1;          // files that may run at once
    std::size_t cut_;                // the first file that gave up its profile: no later file starts
    std::vector<Task*> running_;     // files running now
    std::uint64_t starts_ = 0;       // files started so far, retries included
    bool finished_ = false;          // Finish was called: nothing starts any more
    std::vector<std::size_t> ended_; // files that ended, in that order
    std::size_t told_ = 0;           // how many of them the bar has been told of
};

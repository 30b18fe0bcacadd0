#include "engine/CompactionQueue.h"

#include "engine/ProgressBar.h"
#include "engine/StopSignal.h"
#include "platform/Files.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

struct CompactionQueue::Task {
    enum class State { waiting, running, ended };

    std::size_t index = 0;
    CompactionJob job;
    std::optional<platform::FileIdentity> identity; // none when it cannot be read: then it is no file to share
    State state = State::waiting;
    bool started = false;      // has started once; a retry keeps it
    bool besideOthers = false; // another file ran while this one did
    std::uint64_t startNumber = 0;
    StopSignal cancel;
    FileCompaction result;
};

CompactionQueue::CompactionQueue(std::vector<CompactionJob> jobs, unsigned workers, IProgressBar* progress,
                                 const StopSignal* stop, Trace trace)
    : progress_(progress), stop_(stop), trace_(std::move(trace)), cut_(std::numeric_limits<std::size_t>::max()) {
    const bool parallel = workers > 1 && jobs.size() > 1;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        auto task = std::make_unique<Task>();
        task->index = i;
        task->job = std::move(jobs[i]);
        if (parallel)
            task->identity = platform::GetFileIdentity(task->job.path);
        tasks_.push_back(std::move(task));
    }
    if (!parallel)
        return;
    // The workers wait for the lock until all of them exist and know how many they are.
    const std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t wanted = std::min<std::size_t>(workers, tasks_.size());
    try {
        while (threads_.size() < wanted)
            threads_.emplace_back([this] { Work(); });
    } catch (...) {
        // Fewer threads than wanted: the ones there are do the work; with none, the owning thread does.
    }
    slots_ = std::max<std::size_t>(threads_.size(), 1);
    onOwningThread_ = threads_.empty();
}

CompactionQueue::~CompactionQueue() {
    Finish();
}

// --- The workers -------------------------------------------------------------------------------------------------

void CompactionQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        Task* task = Pick();
        if (task == nullptr) {
            if (!AnyLeftToStart()) {
                changed_.notify_all();
                return;
            }
            // Something runs (otherwise Pick would have found a file): its end wakes this worker.
            changed_.wait(lock);
            continue;
        }
        Begin(*task);
        lock.unlock();
        FileCompaction result = Compact(*task);
        lock.lock();
        End(*task, std::move(result));
    }
}

CompactionQueue::Task* CompactionQueue::Pick() {
    if (finished_ || IsStopRequested(stop_))
        return nullptr;
    const auto sameFileRuns = [this](const Task& task) {
        return task.identity && std::any_of(running_.begin(), running_.end(), [&](const Task* other) {
                   return other->identity && *other->identity == *task.identity;
               });
    };
    Task* first = nullptr;
    Task* largest = nullptr;
    for (const auto& task : tasks_) {
        if (task->state != Task::State::waiting || task->index >= cut_)
            continue;
        if (first == nullptr)
            first = task.get();
        if (!task->job.alone && (largest == nullptr || task->job.size > largest->job.size) && !sameFileRuns(*task))
            largest = task.get();
    }
    if (first == nullptr)
        return nullptr;
    if (first->job.alone || slots_ == 1)
        return running_.empty() ? first : nullptr;
    const bool aloneRuns =
        std::any_of(running_.begin(), running_.end(), [](const Task* task) { return task->job.alone; });
    return aloneRuns ? nullptr : largest;
}

bool CompactionQueue::AnyLeftToStart() const {
    if (finished_ || IsStopRequested(stop_))
        return false;
    for (const auto& task : tasks_)
        if (task->state == Task::State::waiting && task->index < cut_)
            return true;
    return false;
}

void CompactionQueue::Begin(Task& task) {
    task.state = Task::State::running;
    task.started = true;
    task.besideOthers = !running_.empty();
    task.startNumber = ++starts_;
    running_.push_back(&task);
    if (trace_)
        trace_(task.index, true);
    changed_.notify_all();
}

void CompactionQueue::End(Task& task, FileCompaction result) {
    running_.erase(std::find(running_.begin(), running_.end(), &task));
    // Another file started after this one did.
    task.besideOthers = task.besideOthers || starts_ != task.startNumber;
    if (trace_)
        trace_(task.index, false);
    if (result.noRoom && task.besideOthers && !finished_ && !IsStopRequested(stop_)) {
        // The failed "VACUUM" rolled back; alone, the file gets the room the others took.
        task.state = Task::State::waiting;
        task.job.alone = true;
        changed_.notify_all();
        return;
    }
    task.state = Task::State::ended;
    task.result = std::move(result);
    ended_.push_back(task.index);
    if (task.result.outcome == FileOutcome::givenUp && task.index < cut_) {
        cut_ = task.index;
        for (Task* later : running_)
            if (later->index > cut_)
                later->cancel.Set();
    }
    changed_.notify_all();
}

FileCompaction CompactionQueue::Compact(Task& task) {
    try {
        // Nothing cancels a file compacted on the owning thread: it needs no progress hook for that.
        return CompactDatabaseFile(task.job.path, task.job.programName, stop_,
                                   onOwningThread_ ? nullptr : &task.cancel);
    } catch (...) {
        // Only a failed allocation gets here: the file gives up the run without a line of its own.
        FileCompaction failed;
        failed.outcome = FileOutcome::givenUp;
        return failed;
    }
}

// --- The owning thread -----------------------------------------------------------------------------------------

bool CompactionQueue::TellProgress(std::unique_lock<std::mutex>& lock) {
    if (told_ == ended_.size())
        return false;
    std::vector<std::uint32_t> sizes;
    for (; told_ < ended_.size(); ++told_) {
        const FileCompaction& result = tasks_[ended_[told_]]->result;
        if (result.outcome != FileOutcome::stopped)
            sizes.push_back(result.sizeKb);
    }
    if (progress_ == nullptr || sizes.empty())
        return false;
    // The bar's messages go to the window's thread, which may take its time: the workers must not wait for it.
    lock.unlock();
    for (const std::uint32_t sizeKb : sizes)
        progress_->SetPos(progress_->GetPos() + sizeKb);
    lock.lock();
    return true;
}

bool CompactionQueue::WaitUntilStarted(std::size_t file) {
    std::unique_lock<std::mutex> lock(mutex_);
    Task& task = *tasks_.at(file);
    if (onOwningThread_) {
        // Compacted here, when its result is asked for: first the stop test that comes before every file.
        if (!task.started) {
            if (finished_ || IsStopRequested(stop_) || file > cut_)
                return false;
            Begin(task);
        }
        return true;
    }
    for (;;) {
        if (TellProgress(lock))
            continue;
        if (task.started)
            return true;
        if (finished_ || IsStopRequested(stop_) || file > cut_)
            return false;
        changed_.wait(lock);
    }
}

FileCompaction CompactionQueue::WaitUntilFinished(std::size_t file) {
    std::unique_lock<std::mutex> lock(mutex_);
    Task& task = *tasks_.at(file);
    if (onOwningThread_) {
        if (task.state == Task::State::running) {
            lock.unlock();
            FileCompaction result = Compact(task);
            lock.lock();
            End(task, std::move(result));
        }
        while (TellProgress(lock)) {
        }
        return task.state == Task::State::ended ? task.result : FileCompaction();
    }
    for (;;) {
        if (TellProgress(lock))
            continue;
        if (task.state == Task::State::ended)
            return task.result;
        // A file waiting for its retry, or one that never started, when nothing starts any more.
        if (task.state == Task::State::waiting && (finished_ || IsStopRequested(stop_) || file > cut_))
            return {};
        changed_.wait(lock);
    }
}

void CompactionQueue::Finish() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_ = true;
        // Compacted on the owning thread, a running file was started for the log but never compacted: the owner
        // stopped asking.
        while (onOwningThread_ && !running_.empty())
            End(*running_.front(), FileCompaction());
        for (Task* task : running_)
            task->cancel.Set();
        changed_.notify_all();
        for (;;) {
            if (TellProgress(lock))
                continue;
            if (running_.empty())
                break;
            changed_.wait(lock);
        }
    }
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}

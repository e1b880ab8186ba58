#include "base/OwnerThread.h"


namespace vorlandite {

void TaskQueue::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

int TaskQueue::RunPending() {
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(tasks_);
    }
    for (auto& task : ready)
        task();
    return int(ready.size());
}

void TaskQueue::WaitAndRunOne() {
    std::function<void()> task;
    {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [this] { return !tasks_.empty(); });
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
}

} // namespace vorlandite

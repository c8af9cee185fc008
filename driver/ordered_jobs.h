// Work done side by side but finished in order: a fixed crew of at most
// `jobs` worker threads does the items' work while the calling thread
// finishes each item, in the order the items were added. An item with work
// holds one of `seats` numbered seats from the moment it is readied until it
// is finished (so that an item waiting for its turn does not keep the next
// from starting, there may be more seats than workers); what an item takes
// for its work (a scratch folder, say) is the seat's, and no two unfinished
// items ever hold one seat. An item whose key an earlier unfinished item
// shares waits until that one is finished before it is added, so two items
// of one key never run at once. The work step prints nothing and reads and
// writes its item alone (readied before its work is queued, read again only
// once it is done); the finish step prints, so the output is that of one
// item at a time. With one job there are no threads: each item is finished
// as soon as it is added, and its finish step does its work there (writing
// straight to the console).
#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

template <class Item>
class OrderedJobs {
 public:
  using Step = std::function<void(Item&)>;
  // Readies an item on the calling thread, given the seat it would hold;
  // true when it has work, and so holds that seat until it is finished.
  using Prepare = std::function<bool(Item&, size_t seat)>;

  OrderedJobs(unsigned jobs, Step work, Step finish, size_t seats = 0)
      : jobs_(std::max(jobs, 1u)), work_(std::move(work)), finish_(std::move(finish)) {
    for (size_t seat = 0; seat < std::max<size_t>(seats, jobs_); ++seat) freeSeats_.insert(seat);
  }
  ~OrderedJobs() {
    finishAll();
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }
  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  // Waits until nothing unfinished holds `key` ("" holds nothing) and a seat
  // is free; then `prepare` readies the item on this thread, and its work,
  // if it has any, is queued for the workers.
  void add(std::unique_ptr<Item> item, const std::string& key, const Prepare& prepare) {
    while (holds(key)) finishOldest();
    while (pending_.size() >= kMaxPending || freeSeats_.empty()) finishOldest();
    auto entry = std::make_unique<Entry>();
    entry->item = std::move(item);
    entry->key = key;
    entry->seat = *freeSeats_.begin();  // the lowest, so a run's seats do not depend on timing
    entry->working = prepare(*entry->item, entry->seat);
    if (entry->working) freeSeats_.erase(entry->seat);
    Entry* added = entry.get();
    pending_.push_back(std::move(entry));
    if (jobs_ <= 1) finishAll();
    else if (added->working) queueWork(*added);
  }

  void finishAll() {
    while (!pending_.empty()) finishOldest();
  }

 private:
  // Enough to keep every worker busy behind a slow item, yet bounded.
  static constexpr size_t kMaxPending = 256;

  struct Entry {
    std::unique_ptr<Item> item;
    std::string key;
    size_t seat = 0;
    bool working = false;  // it holds its seat until finished
    bool done = false;     // its work is done (guarded by lock_ while queued)
  };

  bool holds(const std::string& key) const {
    return !key.empty() && std::any_of(pending_.begin(), pending_.end(),
                                       [&](const std::unique_ptr<Entry>& entry) { return entry->key == key; });
  }

  // A worker is started for each item queued until there are `jobs`; where
  // no thread can be had at all, the work is done here.
  void queueWork(Entry& entry) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      queue_.push_back(&entry);
    }
    queued_.notify_one();
    if (workers_.size() >= jobs_) return;
    try {
      workers_.emplace_back([this] { workUntilStopped(); });
    } catch (const std::system_error&) {
      if (workers_.empty()) workOn(takeQueued());
    }
  }

  Entry* takeQueued() {
    std::lock_guard<std::mutex> guard(lock_);
    Entry* entry = queue_.front();
    queue_.pop_front();
    return entry;
  }

  void workOn(Entry* entry) {
    work_(*entry->item);
    {
      std::lock_guard<std::mutex> guard(lock_);
      entry->done = true;
    }
    doneOne_.notify_all();
  }

  void workUntilStopped() {
    for (;;) {
      Entry* entry;
      {
        std::unique_lock<std::mutex> guard(lock_);
        queued_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        entry = queue_.front();
        queue_.pop_front();
      }
      workOn(entry);
    }
  }

  void finishOldest() {
    Entry& entry = *pending_.front();
    if (entry.working && jobs_ > 1) {
      std::unique_lock<std::mutex> guard(lock_);
      doneOne_.wait(guard, [&] { return entry.done; });
    }
    finish_(*entry.item);
    if (entry.working) freeSeats_.insert(entry.seat);
    pending_.pop_front();
  }

  const unsigned jobs_;
  const Step work_, finish_;
  std::deque<std::unique_ptr<Entry>> pending_;  // added, not yet finished, in order
  std::set<size_t> freeSeats_;
  std::vector<std::thread> workers_;
  std::mutex lock_;
  std::condition_variable queued_, doneOne_;
  std::deque<Entry*> queue_;  // work not yet taken by a worker
  bool stopping_ = false;
};

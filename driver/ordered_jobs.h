// Work done side by side but finished in order: up to `jobs` items run their
// work on threads of their own (and up to `holding` items, done or waiting
// to start, may hold what they took until finished, so that an item
// waiting for its turn does not keep the next from starting) while the
// calling thread finishes each item,
// in the order the items were added. An item whose key an earlier unfinished
// item shares waits until that one is finished before it is added, so two
// items of one key never run at once. The work step prints nothing; the
// finish step prints, so the output is that of one item at a time. With one
// job there are no threads: each item is finished as soon as it is added,
// and its finish step does its work there (writing straight to the console).
#pragma once

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

template <class Item>
class OrderedJobs {
 public:
  using Step = std::function<void(Item&)>;

  OrderedJobs(unsigned jobs, Step work, Step finish, size_t holding = 0)
      : jobs_(std::max(jobs, 1u)), holding_(std::max<size_t>(holding, jobs_)), free_(jobs_), work_(std::move(work)),
        finish_(std::move(finish)) {}
  ~OrderedJobs() { finishAll(); }
  OrderedJobs(const OrderedJobs&) = delete;
  OrderedJobs& operator=(const OrderedJobs&) = delete;

  // Waits until nothing unfinished holds `key` ("" holds nothing) and a
  // worker is free; then `prepare` readies the item on this thread and says
  // whether it has work, which starts at once.
  void add(std::unique_ptr<Item> item, const std::string& key, const std::function<bool(Item&)>& prepare) {
    while (holds(key)) finishOldest();
    while (pending_.size() >= kMaxPending || working() >= holding_) finishOldest();
    Entry entry{std::move(item), key, false, std::thread()};
    entry.working = prepare(*entry.item);
    if (entry.working && jobs_ > 1) {
      Item* raw = entry.item.get();
      try {
        entry.worker = std::thread([this, raw] { workWhenFree(*raw); });
      } catch (const std::system_error&) {
        work_(*raw);  // no thread to be had: the work is done here
      }
    }
    pending_.push_back(std::move(entry));
    if (jobs_ <= 1) finishAll();
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
    bool working;  // its work holds a worker (and what the item took for it) until it is finished
    std::thread worker;
  };

  bool holds(const std::string& key) const {
    return !key.empty() &&
           std::any_of(pending_.begin(), pending_.end(), [&](const Entry& entry) { return entry.key == key; });
  }

  size_t working() const {
    return static_cast<size_t>(
        std::count_if(pending_.begin(), pending_.end(), [](const Entry& entry) { return entry.working; }));
  }

  // No more than `jobs` items at work at once.
  void workWhenFree(Item& item) {
    {
      std::unique_lock<std::mutex> guard(lock_);
      freed_.wait(guard, [this] { return free_ > 0; });
      --free_;
    }
    work_(item);
    {
      std::lock_guard<std::mutex> guard(lock_);
      ++free_;
    }
    freed_.notify_one();
  }

  void finishOldest() {
    Entry& entry = pending_.front();
    if (entry.worker.joinable()) entry.worker.join();
    finish_(*entry.item);
    pending_.pop_front();
  }

  const unsigned jobs_;
  const size_t holding_;
  std::mutex lock_;
  std::condition_variable freed_;
  unsigned free_;  // items that may start their work now
  Step work_, finish_;
  std::deque<Entry> pending_;
};

// The crew behind every stage that runs children side by side: items are
// finished in the order they were added, no more than `jobs` are at work at
// once, no two unfinished items hold one seat and no two of one key overlap.
#include "ordered_jobs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>

namespace {

struct Item {
  int number = 0;
  bool seated = false;
  size_t seat = 0;
};

TEST(OrderedJobsTest, InOrderWithinTheJobsSeatsAndKeys) {
  for (unsigned jobs : {1u, 2u, 3u, 8u}) {
    for (size_t seats : {size_t{0}, size_t{2} * jobs}) {
      SCOPED_TRACE(std::to_string(jobs) + " jobs, " + std::to_string(seats) + " seats");
      std::mutex lock;
      unsigned atWork = 0, most = 0;
      std::set<int> keysAtWork;
      std::map<size_t, int> seatHolders;  // touched on this thread only
      std::vector<int> finished;
      {
        OrderedJobs<Item> crew(
            jobs,
            [&](Item& item) {
              {
                std::lock_guard<std::mutex> guard(lock);
                most = std::max(most, ++atWork);
                EXPECT_TRUE(keysAtWork.insert(item.number % 5).second) << "two of one key at once";
              }
              std::this_thread::sleep_for(std::chrono::microseconds(200 * (item.number % 4)));
              std::lock_guard<std::mutex> guard(lock);
              --atWork;
              keysAtWork.erase(item.number % 5);
            },
            [&](Item& item) {
              finished.push_back(item.number);
              if (item.seated) seatHolders.erase(item.seat);
            },
            seats);
        for (int number = 0; number < 60; ++number) {
          auto item = std::make_unique<Item>();
          item->number = number;
          crew.add(std::move(item), "key" + std::to_string(number % 5), [&](Item& ready, size_t seat) {
            EXPECT_LT(seat, std::max<size_t>(seats, jobs));
            EXPECT_EQ(seatHolders.count(seat), 0u) << "seat " << seat << " is taken";
            if (ready.number % 7 == 0) return false;  // nothing to do: no seat held
            seatHolders[seat] = ready.number;
            ready.seated = true;
            ready.seat = seat;
            return true;
          });
        }
      }
      std::vector<int> inOrder(60);
      for (int number = 0; number < 60; ++number) inOrder[number] = number;
      EXPECT_EQ(finished, inOrder);
      EXPECT_LE(most, jobs);
      EXPECT_TRUE(seatHolders.empty());
    }
  }
}

}  // namespace

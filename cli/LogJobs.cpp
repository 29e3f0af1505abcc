#include "LogJobs.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "file/Interrupt.h"

#if defined(__linux__)
#include <sched.h>
#endif

// Each job may have an output file open: its temporary file must find a slot for the signal
// handler to remove it, with some left for other work.
static_assert(kMaxJobs + 8 <= kTemporaryFileSlots);

unsigned ProcessorCount() {
#if defined(__linux__)
  // Follows taskset and the CPU sets of containers, which hardware_concurrency does not.
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
#endif
  return std::max(1u, std::thread::hardware_concurrency());
}

bool TakeJobsOption(Args& args, unsigned& jobs, std::string& error) {
  std::string value;
  jobs = std::min(ProcessorCount(), kMaxJobs);
  if (TakeOption(args, "--jobs", value)) {
    unsigned long long n = 0;
    if (!ParseUnsigned(value, kMaxJobs, n) || n == 0) {
      error = "--jobs takes the number of logs to work on at once, a whole number from 1 to " +
              std::to_string(kMaxJobs) + ", not \"" + value + "\"";
      return false;
    }
    jobs = static_cast<unsigned>(n);
  }
  return true;
}

void RunInOrder(size_t count, unsigned jobs, const std::function<void(size_t)>& work) {
  if (jobs <= 1 || count <= 1) {
    for (size_t i = 0; i < count && InterruptSignal() == 0; ++i) work(i);
    return;
  }

  enum class State : unsigned char { kWaiting, kDone, kSkipped };
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<State> states(count, State::kWaiting);
  std::vector<std::exception_ptr> failures(count);
  std::vector<std::string> messages(count);
  size_t next = 0;    // the next log a worker takes: logs begin in order
  bool stop = false;  // set when this function ends (early, by an exception): the rest is skipped
  auto worker = [&] {
    for (;;) {
      size_t i;
      {
        std::lock_guard lock(mutex);
        if (next == count) return;
        i = next++;
        if (stop || InterruptSignal() != 0) {
          states[i] = State::kSkipped;
          changed.notify_all();
          continue;
        }
      }
      std::exception_ptr failure;
      try {
        MessagesTo told(messages[i]);
        work(i);
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard lock(mutex);
      failures[i] = failure;
      states[i] = State::kDone;
      changed.notify_all();
    }
  };

  // Every worker has returned when this function does, however it ends.
  struct Workers {
    std::vector<std::thread> threads;
    std::mutex& mutex;
    bool& stop;
    ~Workers() {
      {
        std::lock_guard lock(mutex);
        stop = true;
      }
      for (std::thread& thread : threads) thread.join();
    }
  } workers{{}, mutex, stop};
  const size_t threads = std::min<size_t>(jobs, count);
  for (size_t t = 0; t < threads; ++t) workers.threads.emplace_back(worker);

  for (size_t i = 0; i < count; ++i) {
    std::exception_ptr failure;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return states[i] != State::kWaiting; });
      // Logs are taken in order, so every log after a skipped one was skipped too.
      if (states[i] == State::kSkipped) return;
      failure = failures[i];
    }
    std::cerr << messages[i] << std::flush;
    std::string().swap(messages[i]);
    if (failure) std::rethrow_exception(failure);
  }
}

namespace {

thread_local std::ostream* t_messages = nullptr;

}  // namespace

std::ostream& Messages() {
  return t_messages != nullptr ? *t_messages : std::cerr;
}

MessagesTo::MessagesTo(std::string& text) : m_text(text), m_previous(t_messages) {
  t_messages = &m_stream;
}

MessagesTo::~MessagesTo() {
  t_messages = m_previous;
  m_text += m_stream.str();
}

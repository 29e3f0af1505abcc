#pragma once
// Several logs at once, for the commands that treat logs one by one (export -d, assess --each).
//
// Each log is worked on by one thread with its own document; what the work on a log has to say
// goes into that log's own message text, and the texts are told in the order the logs were
// given, as soon as a log and every log before it are done. What a command writes per log (a
// file each, or a line each written once all are done) follows that order too, so the output of
// N jobs is, byte for byte, that of one, and a failure shows with its file as soon as the logs
// before it are through, while the others go on.

#include <cstddef>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>

#include "Commands.h"

// The most jobs --jobs allows: beyond the processors of any machine this runs on, and each job
// holds a whole log in memory.
constexpr unsigned kMaxJobs = 64;

// The processors this process may run on (its affinity where the system tells it), at least 1.
unsigned ProcessorCount();

// Takes "--jobs N" (1 to kMaxJobs) out of `args`; without it, `jobs` becomes ProcessorCount()
// (at most kMaxJobs). False with `error` set (a sentence for a usage message) when N is not a
// whole number in that range.
bool TakeJobsOption(Args& args, unsigned& jobs, std::string& error);

// Calls work(i) for every i below `count`, on up to `jobs` threads (on this one when there is a
// single job or a single log), starting them in ascending order. What work(i) writes to
// Messages() goes to standard error in ascending order of i, each as soon as work(i) and every
// work before it have returned. Once a SIGINT or SIGTERM is recorded, no further work begins.
// An exception thrown by a work comes out in its turn, after every other running work has
// returned. Returns when every work begun has returned.
void RunInOrder(size_t count, unsigned jobs, const std::function<void(size_t)>& work);

// Where the messages about one log go: standard error, or the text of the MessagesTo alive on
// this thread. Commands report what a log's work has to say through it, so that work on several
// logs at once keeps each log's messages together and in the order of the logs.
std::ostream& Messages();

// While alive, Messages() on this thread collects what is written to it; it is appended to
// `text` when the MessagesTo goes.
class MessagesTo {
 public:
  explicit MessagesTo(std::string& text);
  ~MessagesTo();
  MessagesTo(const MessagesTo&) = delete;
  MessagesTo& operator=(const MessagesTo&) = delete;

 private:
  std::string& m_text;
  std::ostringstream m_stream;
  std::ostream* m_previous;
};

// Runs command lines as child processes, at most N at a time, each in its own process group under a
// time limit, collecting what each writes. The fleet runs one room in each.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kel::cli {

struct ChildOutcome {
    std::size_t index = 0; // of the command line in the list given to Run
    std::string out;       // everything written on stdout (up to a limit)
    std::string err;       // the end of what was written on stderr
    int exitCode = -1;     // when it exited
    int signal = 0;        // when a signal ended it
    bool timedOut = false; // stopped at the time limit
    bool started = false;  // false: never started (the run was interrupted first)
    double seconds = 0;
};

class ProcessPool {
  public:
    ProcessPool(int jobs, std::chrono::milliseconds limit) : m_jobs(jobs), m_limit(limit) {}

    // Runs every command line (argv[0] a path) in list order and calls onDone for each as it ends.
    // onProgress(running, done) is called after each event and at least every 200 ms. SIGINT, SIGTERM
    // and SIGHUP stop every child and start no more; Interrupted() then holds.
    void Run(const std::vector<std::vector<std::string>>& commands,
             const std::function<void(const ChildOutcome&)>& onDone,
             const std::function<void(int running, int done)>& onProgress);
    bool Interrupted() const { return m_interrupted; }

  private:
    int m_jobs;
    std::chrono::milliseconds m_limit;
    bool m_interrupted = false;
};

} // namespace kel::cli

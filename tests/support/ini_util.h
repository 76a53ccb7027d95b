// Helpers of the INI tests: whole-file reads, temporary files left in a folder, and child
// processes that the parent waits for on events with a bound, never on time alone.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/os_support.h"

namespace initest {

// The suite's temporary folder, on tmpfs when there is one (the concurrency tests flush often)
// and open to the unprivileged user of the permission tests.
struct TempDir : ostest::TempDir {
    TempDir() : ostest::TempDir(kInMemory | kOpenToAll) {}
};
using ostest::writeFile;

/// How long a test waits for a child's message or end. Far longer than any step takes (a few
/// milliseconds); reached only when a child hangs, and then the test fails instead of hanging.
constexpr int kWaitMs = 30000;

inline std::string slurp(const std::string& path) {
    return ostest::readFile(path).value_or("");
}

/// Names in `dir` of the temporary files that writers make beside their targets.
inline int temporaries(const std::string& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().filename().string().find(".tq-") != std::string::npos;
    return n;
}

/// Reads one byte from `fd`, waiting at most `ms`; false on timeout or end of file.
inline bool receive(int fd, int ms = kWaitMs) {
    struct pollfd p = {fd, POLLIN, 0};
    char c;
    return ::poll(&p, 1, ms) == 1 && ::read(fd, &c, 1) == 1;
}

/// A forked child that runs `body` and exits with its result. A pipe that only the child holds
/// open tells the parent when it ended, so waiting for it is bounded.
class Child {
  public:
    template <class F>
    explicit Child(F body) {
        int done[2];
        if (::pipe(done) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(done[0]);
            ::_exit(body());
        }
        ::close(done[1]);
        done_ = done[0];
    }
    ~Child() {
        kill();
        ::close(done_);
    }

    /// The child's exit status once it ended (within `ms`); -1 when it did not end in time (the
    /// destructor kills it) or died of a signal.
    int wait(int ms = kWaitMs) {
        struct pollfd p = {done_, POLLIN, 0};
        if (pid_ <= 0 || ::poll(&p, 1, ms) != 1) return -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    /// Kills the child (if it still runs) and reaps it.
    void kill() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int done_ = -1;
};

}  // namespace initest

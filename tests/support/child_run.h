// Work run in a forked child, measured there: what reading or writing a workbook costs in memory
// and time, unblurred by anything the test process did before, and a hang or crash that fails
// the test instead of ending it.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "tqtool/types.h"

namespace tqtest {

/// What the child reports about the work.
struct ChildRun {
    bool refused = false;    // the work raised tq::AutomationError, whose text is `message`
    char message[512] = {};  // (cut to fit)
    char content[128] = {};  // what the work returned
    long peakGrowthKb = 0;   // the child's peak memory above the memory it started with
    double seconds = 0;      // CPU time
};

/// AddressSanitizer's shadow memory, red zones and quarantine of freed blocks multiply memory.
constexpr long kSanitizerFactor = TQTEST_SANITIZED ? 4 : 1;

inline ChildRun RunInChild(const std::function<std::string()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(300);  // work that never ends fails the test instead of hanging it
        auto usage = [] {
            rusage u{};
            ::getrusage(RUSAGE_SELF, &u);
            return u;
        };
        auto cpu = [](const rusage& u) {
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                   (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        ChildRun o;
        const rusage before = usage();
        try {
            std::snprintf(o.content, sizeof o.content, "%s", work().c_str());
        } catch (const tq::AutomationError& e) {
            o.refused = true;
            std::snprintf(o.message, sizeof o.message, "%s", e.what());
        }
        const rusage after = usage();
        o.peakGrowthKb = after.ru_maxrss - before.ru_maxrss;
        o.seconds = cpu(after) - cpu(before);
        ::_exit(::write(fds[1], &o, sizeof o) == sizeof o ? 0 : 1);
    }
    ::close(fds[1]);
    ChildRun o;
    const ssize_t got = ::read(fds[0], &o, sizeof o);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != sizeof o)
        throw std::runtime_error("the child died (status " + std::to_string(status) + ")");
    return o;
}

}  // namespace tqtest

// Starting programs: command lines split with the Windows rules and started without a shell,
// detached (never our zombies) or waited for, and the runs of helper programs with their output.
#include "os/process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/text.h"

namespace tq::os {

namespace {

// ---- Command-line splitting ----

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<String> SplitCommandLine(std::string_view s) {
    std::vector<String> args;
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && isBlank(s[i])) ++i;
    if (i >= n) return args;

    // The program: quotes group, backslashes are path separators and never escapes.
    String program;
    bool quoted = false;
    while (i < n) {
        size_t len = text::charLen(s, i);
        if (len == 2) {
            program.append(s.substr(i, 2));
            i += 2;
            continue;
        }
        char c = s[i];
        if (c == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && isBlank(c)) break;
        program += c;
        ++i;
    }
    args.push_back(std::move(program));

    for (;;) {
        while (i < n && isBlank(s[i])) ++i;
        if (i >= n) break;
        String arg;
        quoted = false;
        while (i < n) {
            size_t len = text::charLen(s, i);
            if (len == 2) {
                arg.append(s.substr(i, 2));
                i += 2;
                continue;
            }
            char c = s[i];
            if (c == '\\') {
                size_t j = i;
                while (j < n && s[j] == '\\') ++j;
                size_t count = j - i;
                if (j < n && s[j] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2) {
                        arg += '"';
                        i = j + 1;
                    } else {
                        i = j;  // the quote opens or closes a quoted part
                    }
                } else {
                    arg.append(count, '\\');
                    i = j;
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && s[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (!quoted && isBlank(c)) break;
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
}

// ---- Starting processes ----

// Records sent from the child side to the parent through a close-on-exec pipe: the pipe reaches
// end-of-file without a failure record exactly when the program was executed.
enum : int32_t { kRecPid = 1, kRecErrno = 2 };
struct Record {
    int32_t kind;
    int32_t value;
};

void writeRecord(int fd, int32_t kind, int32_t value) {
    Record r{kind, value};
    ssize_t rc;
    do {
        rc = ::write(fd, &r, sizeof r);
    } while (rc < 0 && errno == EINTR);
}

// Everything the child needs, prepared before fork so that the child only makes
// async-signal-safe calls.
struct ExecPlan {
    std::string path;
    std::vector<std::string> args;
    std::vector<char*> argv;
    int errFd = -1;
    bool closeOthers = true;
    int stdinFd = -1, stdoutFd = -1, stderrFd = -1;
    long maxFd = 1024;

    ExecPlan(std::string p, const std::vector<std::string>& a) : path(std::move(p)), args(a) {
        for (auto& s : args) argv.push_back(s.data());
        argv.push_back(nullptr);
        long m = ::sysconf(_SC_OPEN_MAX);
        if (m > 0) maxFd = m > 65536 ? 65536 : m;
    }
};

void closeRange(int from, int to) {
    if (from > to) return;
    if (::close_range(static_cast<unsigned>(from), static_cast<unsigned>(to), 0) == 0) return;
    for (int fd = from; fd <= to; ++fd) ::close(fd);
}

[[noreturn]] void execChild(const ExecPlan& p) {
    // A fresh signal state: nothing blocked, and the two dispositions that a host commonly
    // ignores (and that a program relies on) back to their defaults.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    ::sigaction(SIGCHLD, &dfl, nullptr);

    if (p.stdinFd >= 0) ::dup2(p.stdinFd, STDIN_FILENO);
    if (p.stdoutFd >= 0) ::dup2(p.stdoutFd, STDOUT_FILENO);
    if (p.stderrFd >= 0) ::dup2(p.stderrFd, STDERR_FILENO);
    if (p.closeOthers) {
        int top = static_cast<int>(p.maxFd > INT_MAX ? INT_MAX : p.maxFd);
        if (::close_range(3, static_cast<unsigned>(p.errFd) - 1, 0) != 0)
            closeRange(3, p.errFd - 1);
        if (::close_range(static_cast<unsigned>(p.errFd) + 1, ~0u, 0) != 0)
            closeRange(p.errFd + 1, top);
    } else {
        // The redirection pipes (if any) must not stay open in the program.
        for (int fd : {p.stdinFd, p.stdoutFd, p.stderrFd})
            if (fd > STDERR_FILENO && fd != p.errFd) ::close(fd);
    }
    ::execve(p.path.c_str(), p.argv.data(), environ);
    writeRecord(p.errFd, kRecErrno, errno);
    ::_exit(127);
}

// Reads the records of `fd` until end-of-file. Returns false when a failure record arrived.
bool readRecords(int fd, long* pid) {
    bool ok = true;
    Record r;
    size_t have = 0;
    char* buf = reinterpret_cast<char*>(&r);
    for (;;) {
        ssize_t rc = ::read(fd, buf + have, sizeof r - have);
        if (rc < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (rc == 0) break;
        have += static_cast<size_t>(rc);
        if (have < sizeof r) continue;
        have = 0;
        if (r.kind == kRecPid && pid) *pid = r.value;
        if (r.kind == kRecErrno) ok = false;
    }
    return ok;
}

// Waits for our own child `pid`. Returns the exit code (128 + signal when killed); 0 when the
// status is not available (a host that ignores SIGCHLD has the system reap it for us).
int waitChild(pid_t pid) {
    int st = 0;
    for (;;) {
        pid_t rc = ::waitpid(pid, &st, 0);
        if (rc == pid) break;
        if (rc < 0 && errno == EINTR) continue;
        return 0;
    }
    if (WIFEXITED(st)) return WEXITSTATUS(st);
    if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
    return 0;
}

// A close-on-exec pipe whose ends lie above the standard streams, even when the host has closed
// one of those (the child's redirections and descriptor clean-up rely on it).
bool makePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    for (int k = 0; k < 2; ++k) {
        if (fds[k] > STDERR_FILENO) continue;
        int moved = ::fcntl(fds[k], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(fds[k]);
        fds[k] = moved;
    }
    if (fds[0] < 0 || fds[1] < 0) {
        if (fds[0] >= 0) ::close(fds[0]);
        if (fds[1] >= 0) ::close(fds[1]);
        return false;
    }
    return true;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : std::string();
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t colon = path.find(':', start);
        std::string dir =
            path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir.push_back('.');  // an empty entry is the current folder
        std::string candidate = dir;
        candidate += '/';
        candidate += name;
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return {};
}

long StartDetached(const std::vector<std::string>& argv, bool inheritFiles) {
    if (argv.empty()) return 0;
    std::string program = FindProgram(argv[0]);
    if (program.empty()) return 0;
    ExecPlan plan(program, argv);
    plan.closeOthers = !inheritFiles;

    int fds[2];
    if (!makePipe(fds)) return 0;
    plan.errFd = fds[1];
    pid_t middle = ::fork();
    if (middle < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return 0;
    }
    if (middle == 0) {
        // The middle process starts the program and ends at once; the program is then adopted
        // by the system's reaper and never waits as our zombie.
        ::close(fds[0]);
        // _Fork: async-signal-safe (no fork handlers), as this process may hold copies of
        // locks that other threads of the caller owned at the first fork.
        pid_t child = ::_Fork();
        if (child < 0) {
            writeRecord(fds[1], kRecErrno, errno);
            ::_exit(1);
        }
        if (child == 0) execChild(plan);
        writeRecord(fds[1], kRecPid, static_cast<int32_t>(child));
        ::_exit(0);
    }
    ::close(fds[1]);
    waitChild(middle);
    long pid = 0;
    bool ok = readRecords(fds[0], &pid);
    ::close(fds[0]);
    if (!ok) return 0;
    return pid > 0 ? pid : 1;
}

bool RunAndWait(const std::vector<std::string>& argv, int* status) {
    if (argv.empty()) return false;
    std::string program = FindProgram(argv[0]);
    if (program.empty()) return false;
    ExecPlan plan(program, argv);
    int fds[2];
    if (!makePipe(fds)) return false;
    plan.errFd = fds[1];
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) execChild(plan);
    ::close(fds[1]);
    bool ok = readRecords(fds[0], nullptr);
    ::close(fds[0]);
    int code = waitChild(pid);
    if (status) *status = code;
    return ok;
}

bool RunCapture(const std::vector<std::string>& argv, std::string& out, std::string& err,
                int& status) {
    out.clear();
    err.clear();
    status = 0;
    if (argv.empty()) return false;
    std::string program = FindProgram(argv[0]);
    if (program.empty()) return false;
    ExecPlan plan(program, argv);

    int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd >= 0 && nullFd <= STDERR_FILENO) {
        int moved = ::fcntl(nullFd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(nullFd);
        nullFd = moved;
    }
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, recPipe[2] = {-1, -1};
    auto closeAll = [&] {
        closeFd(nullFd);
        for (int* p : {outPipe, errPipe, recPipe}) {
            closeFd(p[0]);
            closeFd(p[1]);
        }
    };
    if (nullFd < 0 || !makePipe(outPipe) || !makePipe(errPipe) || !makePipe(recPipe)) {
        closeAll();
        return false;
    }
    plan.stdinFd = nullFd;
    plan.stdoutFd = outPipe[1];
    plan.stderrFd = errPipe[1];
    plan.errFd = recPipe[1];
    pid_t pid = ::fork();
    if (pid < 0) {
        closeAll();
        return false;
    }
    if (pid == 0) execChild(plan);
    closeFd(nullFd);
    closeFd(outPipe[1]);
    closeFd(errPipe[1]);
    closeFd(recPipe[1]);
    bool ok = readRecords(recPipe[0], nullptr);
    closeFd(recPipe[0]);

    struct pollfd pf[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buf[4096];
    while (open > 0) {
        int rc = ::poll(pf, 2, -1);
        if (rc < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (pf[k].fd < 0 || !(pf[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = ::read(pf[k].fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(pf[k].fd);
                pf[k].fd = -1;
                --open;
                continue;
            }
            sinks[k]->append(buf, static_cast<size_t>(n));
        }
    }
    for (auto& p : pf)
        if (p.fd >= 0) ::close(p.fd);
    outPipe[0] = errPipe[0] = -1;
    status = waitChild(pid);
    return ok;
}

}  // namespace tq::os

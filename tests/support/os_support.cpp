// Test helpers for files, started programs and isolated children (see os_support.h).
#include "support/os_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "os/process.h"

namespace ostest {

namespace {

using Clock = std::chrono::steady_clock;

// Reads `fd` until end-of-file (true) or until `deadline` passes (false).
bool readUntilEnd(int fd, std::string& out, Clock::time_point deadline) {
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        struct pollfd p = {fd, POLLIN, 0};
        int rc = ::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (rc == 0 || (rc < 0 && errno != EINTR)) return false;
        ssize_t n = rc < 0 ? -1 : ::read(fd, buf, sizeof buf);
        if (n == 0) return true;
        if (n > 0) out.append(buf, static_cast<size_t>(n));
    }
}

// In the child: a private mount namespace and, when asked, `root` as the root folder; "" when
// that is set up, otherwise why not.
std::string isolate(const std::string& root) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const std::string id = std::to_string(::getuid()), gid = std::to_string(::getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("unshare: ") + std::strerror(errno);
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << id << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("mount: ") + std::strerror(errno);
    struct stat want, now;
    if (root.empty()) return "";
    if (::stat(root.c_str(), &want) != 0 || ::chroot(root.c_str()) != 0 || ::chdir("/") != 0)
        return std::string("chroot: ") + std::strerror(errno);
    // Nothing may ever run against the machine's real root folder.
    if (::stat("/", &now) != 0 || now.st_dev != want.st_dev || now.st_ino != want.st_ino)
        ::_exit(99);
    return "";
}

}  // namespace

TempDir::TempDir(unsigned options) {
    std::string base = std::filesystem::temp_directory_path().string();
    if ((options & kInMemory) && ::access("/dev/shm", W_OK) == 0) base = "/dev/shm";
    path_ = base + "/tqtest-XXXXXX";
    if (!::mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
    if (options & kOpenToAll) ::chmod(path_.c_str(), 0777);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Folders made read-only by a test must become writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    std::filesystem::remove_all(path_, ec);
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << content)) throw std::runtime_error("cannot write " + path);
}

void writeScript(const std::string& path, const std::string& content) {
    writeFile(path, content);
    ::chmod(path.c_str(), 0755);
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string win(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Opened for reading before any writer comes: O_NONBLOCK keeps open() from waiting, and a FIFO
// that never had a writer reports no end-of-file to poll().
ReportPipe::ReportPipe(std::string path) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) != 0 ||
        (fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0)
        throw std::runtime_error("cannot make the named pipe " + path_);
}

ReportPipe::~ReportPipe() {
    ::close(fd_);
}

std::optional<std::string> ReportPipe::read(int seconds) {
    std::string out;
    if (!readUntilEnd(fd_, out, Clock::now() + std::chrono::seconds(seconds))) return std::nullopt;
    return out;
}

Isolated RunIsolated(const std::string& root, const std::function<void(Checks&)>& body) {
    Isolated r;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return r;
    pid_t pid = ::fork();
    if (pid == 0) {
        Checks checks;
        checks.failures = isolate(root);
        const int code = checks.failures.empty() ? 0 : 77;
        if (code == 0) body(checks);
        ssize_t ignored = ::write(fds[1], checks.failures.data(), checks.failures.size());
        ::_exit(ignored < 0 ? 98 : code);
    }
    ::close(fds[1]);
    // A child that hangs (a FIFO opened by mistake ...) is ended, and the test fails.
    bool finished = readUntilEnd(fds[0], r.failures, Clock::now() + std::chrono::seconds(120));
    ::close(fds[0]);
    if (!finished) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.ran = code != 77;
    if (!finished || (code != 0 && code != 77))
        r.failures += "the isolated child failed (status " + std::to_string(status) + ")\n";
    return r;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str());
}

}  // namespace ostest

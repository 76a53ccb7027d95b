// Checks for the prerequisites of tests (see require.h).
#include "support/require.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace tqtest {

bool InCI() {
    const char* ci = std::getenv("CI");
    return ci && *ci && std::string(ci) != "0";
}

bool HaveProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

bool HavePythonModule(const std::string& module) {
    pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const std::string code = "import " + module;
        ::execl("/usr/bin/python3", "python3", "-c", code.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tqtest

// The show folder shared by the spreadsheet and the document engine.
#include "office/common/show_folder.h"

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "office/common/arguments.h"
#include "os/process.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

namespace {

// How many names are tried before the folder counts as full.
constexpr uint64_t kMaxNames = 100000;

/// Creates `dir` and its missing parents (mode 0700); true when it is a folder afterwards.
bool makeFolders(const std::string& dir) {
    size_t pos = 0;
    while (pos <= dir.size()) {
        size_t next = dir.find('/', pos);
        if (next == std::string::npos) next = dir.size();
        std::string cur = dir.substr(0, next);
        if (!cur.empty() && ::mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
        pos = next + 1;
    }
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string forMessage(const std::string& utf8Path) {
    return text::pathFromOs(utf8Path);
}

}  // namespace

std::string ShowFolder() {
    const char* dir = std::getenv("TQTOOL_OFFICE_DIR");
    if (dir && *dir) return dir;
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    return std::string(run && *run ? run : "/tmp") + "/tqtool-office";
}

bool OpenOnDesktopEnabled() {
    const char* open = std::getenv("TQTOOL_OFFICE_OPEN");
    if (open && text::trim(open) == "0") return false;
    const char* d = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (d && *d) || (w && *w);
}

namespace {
std::atomic<bool> g_showOnVisible{true};
}  // namespace

void SetShowOnVisible(bool enabled) {
    g_showOnVisible = enabled;
}

bool ShowOnVisible() {
    return g_showOnVisible;
}

std::string ShowFile(const std::function<std::string(uint64_t k)>& nameFor,
                     const std::function<void(const std::string& path)>& write,
                     const MemberRef& member) {
    const std::string dir = ShowFolder();
    if (!makeFolders(dir))
        Fail(member, "cannot create the folder '" + forMessage(dir) + "': " + std::strerror(errno));
    for (uint64_t k = 0; k < kMaxNames; ++k) {
        const std::string path = dir + "/" + nameFor(k);
        // Reserved by creating it exclusively; the writer then replaces the empty file.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            Fail(member, "cannot create '" + forMessage(path) + "': " + std::strerror(errno));
        }
        ::close(fd);
        try {
            write(path);
        } catch (const AutomationError& e) {
            ::unlink(path.c_str());
            Fail(e.code(), member, e.what());
        } catch (...) {
            ::unlink(path.c_str());
            throw;
        }
        if (OpenOnDesktopEnabled()) os::StartDetached({"xdg-open", path}, false);
        return path;
    }
    Fail(member, "no free file name in '" + forMessage(dir) + "'");
}

}  // namespace tq::office

// The show folder shared by the spreadsheet and the document engine.
#include "office/common/show_folder.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "office/common/arguments.h"
#include "os/files.h"
#include "os/process.h"
#include "text/text.h"
#include "tqtool/types.h"

namespace tq::office {

namespace {

// How many names are tried before the folder counts as full.
constexpr uint64_t kMaxNames = 100000;

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
    if (!os::MakeFolders(dir, 0700))
        Fail(member, "cannot create the folder '" + forMessage(dir) + "': " + std::strerror(errno));
    for (uint64_t k = 0; k < kMaxNames; ++k) {
        const std::string path = dir + "/" + nameFor(k);
        // Reserved by creating it exclusively; the writer then replaces the empty file.
        if (!os::CreateNewFile(path)) {
            if (errno == EEXIST) continue;
            Fail(member, "cannot create '" + forMessage(path) + "': " + std::strerror(errno));
        }
        try {
            write(path);
        } catch (const AutomationError& e) {
            os::RemoveFile(path);
            Fail(e.code(), member, e.what());
        } catch (...) {
            os::RemoveFile(path);
            throw;
        }
        if (OpenOnDesktopEnabled()) os::StartDetached({"xdg-open", path}, false);
        return path;
    }
    Fail(member, "no free file name in '" + forMessage(dir) + "'");
}

}  // namespace tq::office

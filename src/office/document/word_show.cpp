// Showing documents: the show folder, a file name that never replaces an existing file, and the
// desktop's default program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "office/spreadsheet/excel_engine.h"
#include "office/document/word_engine.h"
#include "os/process.h"
#include "tqtool/types.h"
#include "text/text.h"

namespace tq::office::word {

// The same folder as the spreadsheet engine shows its workbooks in.
std::string ShowFolder() {
    return office::ShowFolder();
}

namespace {

/// Creates `path` and its missing parents (mode 0700).
bool makeFolders(const std::string& path) {
    std::string cur;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        cur = path.substr(0, next);
        if (!cur.empty() && ::mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
        pos = next + 1;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SaveToShowFolder(const Document& doc, const std::string& stem) {
    const std::string folder = ShowFolder();
    if (!makeFolders(folder))
        throw AutomationError(hresult::E_FAIL_, "Application.Visible: cannot create the folder " +
                                                    folder + ": " + std::strerror(errno));
    // Reserve the first free name by creating it exclusively, then write the package over it.
    for (int n = 1; n < 100000; ++n) {
        std::string path = folder + "/" + stem + std::to_string(n) + ".docx";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw AutomationError(hresult::E_FAIL_, "Application.Visible: cannot create " + path +
                                                        ": " + std::strerror(errno));
        }
        ::close(fd);
        try {
            saveDocx(doc, path);
        } catch (...) {
            ::unlink(path.c_str());
            throw;
        }
        return path;
    }
    throw AutomationError(hresult::E_FAIL_, "Application.Visible: no free file name in " + folder);
}

void OpenOnDesktop(const std::string& path) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(display && *display) && !(wayland && *wayland)) return;
    const char* open = std::getenv("TQTOOL_OFFICE_OPEN");
    if (open && text::trim(open) == "0") return;
    os::StartDetached({"xdg-open", path}, false);
}

}  // namespace tq::office::word

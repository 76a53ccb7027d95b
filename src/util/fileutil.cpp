// Files, folders and processes: GBK paths in Windows form mapped onto the file system, and the
// command lines of the started programs split and converted.
#include "tqtool/fileutil.h"

#include <string>
#include <vector>

#include "os/files.h"
#include "os/process.h"
#include "text/text.h"
#include "util/fileutil_result.h"

namespace tq {

namespace {

// Position of the last separator ('\' or '/') that is a character of its own, or npos.
size_t lastSeparator(const String& path) {
    size_t back = text::rfind(path, '\\');
    size_t slash = text::rfind(path, '/');
    if (back == text::npos) return slash;
    if (slash == text::npos) return back;
    return back > slash ? back : slash;
}

// An argument of a command line (GBK) for the program: UTF-8, backslashes kept as they are
// (they may be escapes for the program rather than path separators).
std::string argumentToOs(const String& arg) {
    std::string out;
    size_t from = 0;
    for (size_t i = 0; i <= arg.size(); i += i < arg.size() ? text::charLen(arg, i) : 1) {
        if (i < arg.size() && arg[i] != '\\') continue;
        out += text::pathToOs(std::string_view(arg).substr(from, i - from));
        if (i < arg.size()) out += '\\';
        from = i + 1;
    }
    return out;
}

std::vector<std::string> commandToOs(const char* commandLine) {
    std::vector<std::string> argv;
    if (!commandLine) return argv;
    std::vector<String> args = os::SplitCommandLine(commandLine);
    for (size_t i = 0; i < args.size(); ++i)
        argv.push_back(i == 0 ? text::pathToOs(args[i]) : argumentToOs(args[i]));
    return argv;
}

}  // namespace

int IsFileExist(const String& path) {
    if (path.empty()) return 0;
    return os::CanOpenForReading(text::pathToOs(path)) ? 1 : 0;
}

int IsDirectory(const String& path) {
    if (path.empty()) return 0;
    String p = path;
    size_t last = lastSeparator(p);
    if (last != text::npos && last + 1 == p.size()) {
        p.pop_back();
        if (p.empty()) p.push_back('/');  // the root folder itself
    }
    return os::IsFolder(text::pathToOs(p)) ? 1 : 0;
}

String GetFileDir(const String& path, String& name, bool withExtension) {
    if (path.empty() || !IsFileExist(path)) return String();
    size_t sep = lastSeparator(path);
    if (sep == text::npos) return String();
    if (withExtension) {
        name = path.substr(sep + 1);
    } else {
        size_t dot = text::rfind(path, '.');
        name = (dot != text::npos && dot > sep) ? path.substr(sep + 1, dot - sep - 1) : String();
    }
    return path.substr(0, sep + 1);
}

String GetCurPath() {
    std::string file;
    if (!os::ModuleFile(file)) return String();
    String gbk = text::pathFromOs(file);
    size_t sep = lastSeparator(gbk);
    if (sep == text::npos) return String();
    return gbk.substr(0, sep + 1);
}

os::TreeResult CopyFolderResult(const char* source, const char* target) {
    if (!source || !target || !IsDirectory(source)) {
        os::TreeResult r;
        r.refused = true;
        r.error = text::pathToOs(source ? source : "") + ": not a folder";
        return r;
    }
    return os::CopyFolderTree(text::pathToOs(source), text::pathToOs(target));
}

int CopyFolder(const char* source, const char* target) {
    return CopyFolderResult(source, target).ok() ? 1 : 0;
}

os::TreeResult DeleteAllFileResult(const String& folder) {
    return os::EmptyFolder(text::pathToOs(folder));
}

void DeleteAllFile(const String& folder) {
    DeleteAllFileResult(folder);
}

int CmdExec(char* commandLine) {
    std::vector<std::string> argv = commandToOs(commandLine);
    return os::StartDetached(argv, false) != 0 ? 1 : 0;
}

int Cmd(char* commandLine) {
    std::vector<std::string> argv = commandToOs(commandLine);
    return os::StartDetached(argv, true) != 0 ? 1 : 0;
}

int WaitCmdExec(const String& file) {
    if (file.empty()) return 0;
    std::string os = text::pathToOs(file);
    // A name without a folder means a file in the current folder first, as the shell sees it.
    const bool bare = os.find('/') == std::string::npos;
    const std::string local = bare ? "./" + os : os;
    std::vector<std::string> argv;
    if (!os::FindProgram(local).empty())
        argv = {local};  // an executable file: started directly
    else if (os::CanOpenForReading(os) || os::IsFolder(os))
        // Any other file or folder: the desktop's default application. A relative name that looks
        // like an option is given with its folder.
        argv = {"xdg-open", os[0] == '-' ? "./" + os : os};
    else if (bare && !os::FindProgram(os).empty())
        argv = {os};  // a bare program name, found on PATH
    else
        return 0;
    int status = 0;
    if (!os::RunAndWait(argv, &status)) return 0;
    // The opener's failure (no application for the file, or it could not be started) is a
    // failure to open, as the shell reports one; a program's own exit code is not looked at.
    return argv[0] == "xdg-open" && status != 0 ? 0 : 1;
}

String GetComputerNameA() {
    String name = text::pathFromOs(os::HostName());
    if (name.size() > 199) name.resize(text::isCharBoundary(name, 199) ? 199 : 198);
    return name;
}

}  // namespace tq

// Map-scale aliases and tree description files.
#include "tqtool/treeutil.h"

#include <string>

#include "os/file_read.h"
#include "text/text.h"
#include "tqtool/limits.h"

namespace tq {

namespace {
constexpr const char* kScalePrefix = "TQGIS_XZ";
constexpr size_t kScalePrefixLen = 8;
}  // namespace

String GetScaFromAlias(const String& alias) {
    String s = alias;
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, ":\\") == 0) s.resize(s.size() - 2);
    if (!text::equalsNoCase(std::string_view(s).substr(0, kScalePrefixLen), kScalePrefix))
        return String();
    s.erase(0, kScalePrefixLen);
    return s.empty() ? String("1:500") : "1:" + s;
}

int GetTreeItemArray(const String& path, StringArray& names, UIntArray& levels, StringArray& keys) {
    names.clear();
    levels.clear();
    keys.clear();
    // Bounded, and regular files only: a FIFO or a link to a device is refused at once.
    std::string content, why;
    if (!os::ReadRegularFile(text::pathToOs(path), GetLimits().maxTextFileBytes, content, why))
        return 0;

    // Every line to the end of the file; empty lines and group headers are skipped wherever they
    // are. Line ends (LF or CR LF) are white space to the trim; neither byte can be a trail byte.
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        String line = text::trim(std::string_view(content).substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '[') continue;
        size_t eq = text::find(line, '=');
        String key = eq == text::npos ? String() : line.substr(0, eq);
        String value = eq == text::npos ? line : line.substr(eq + 1);
        size_t stars = 0;
        while (stars < value.size() && value[stars] == '*') ++stars;
        names.push_back(value.substr(stars));
        levels.push_back(static_cast<uint32_t>(stars));
        keys.push_back(std::move(key));
    }
    return 1;
}

}  // namespace tq

// CIniFileNew on the private-profile operations. Each call reads the file once (a snapshot) and
// answers from it, or hands its changes to the profile layer as one write.
#include "tqtool/inifile.h"

#include <unordered_map>

#include "os/profile.h"
#include "text/text.h"

namespace tq {

namespace {

using os::ProfileSnapshot;
using os::profile::Edit;
using os::profile::ProfileText;

ProfileSnapshot readFile(const String& path) {
    return ProfileSnapshot::read(path);
}

// True when the file holds what the edits ask for (written now, or so already).
bool write(const String& path, const std::vector<Edit>& edits) {
    return edits.empty() || os::editProfile(path, edits);
}

Edit setEdit(const String& section, const String& key, const String& value) {
    Edit e;
    e.kind = Edit::Set;
    e.section = section;
    e.key = key;
    e.value = value;
    return e;
}

Edit deleteEdit(Edit::Kind kind, const String& section, const String& key = String()) {
    Edit e;
    e.kind = kind;
    e.section = section;
    e.key = key;
    return e;
}

// Splits listing entries at their first '=' into the two arrays (cleared first).
int splitEntries(const StringArray& entries, StringArray& keys, StringArray& values) {
    keys.clear();
    values.clear();
    keys.reserve(entries.size());
    values.reserve(entries.size());
    for (const String& e : entries) {
        size_t eq = e.find('=');
        if (eq == String::npos) {
            keys.emplace_back();
            values.push_back(e);
        } else {
            keys.push_back(e.substr(0, eq));
            values.push_back(e.substr(eq + 1));
        }
    }
    return static_cast<int>(keys.size());
}

// The entries of a section as the section operations count them: none when the section has no
// key (SectionExist is 0).
int keysAndValues(const ProfileText& text, const String& section, StringArray& keys,
                  StringArray& values) {
    if (text.keyNames(section).empty()) {
        keys.clear();
        values.clear();
        return 0;
    }
    return splitEntries(text.entries(section), keys, values);
}

// Every listed section of a snapshot with its entries split as the section listing splits them,
// and for each block the first block of the same name (the one that lookups by name see).
struct Sections {
    struct Entry {
        std::string_view key, value;
    };
    struct Block {
        size_t begin, end;  // entries [begin, end)
        size_t first;       // index of the first block of this name
        bool hasKey;        // holds an entry with a non-empty name (SectionExist would be 1)
    };
    std::vector<Entry> entries;
    std::vector<Block> blocks;

    explicit Sections(const ProfileText& t) {
        std::unordered_map<String, size_t> firstByName;
        bool listed = false;
        t.forEach(
            [&](std::string_view name) {
                // Unnamed sections are not listed.
                listed = !name.empty();
                if (!listed) return;
                auto [it, fresh] = firstByName.try_emplace(text::toLower(name), blocks.size());
                (void)fresh;
                blocks.push_back({entries.size(), entries.size(), it->second, false});
            },
            [&](std::string_view, const os::profile::LineInfo& info) {
                if (!listed) return;
                // "name=value" splits at its first '='; a line without '=' has an empty key and
                // is its own value.
                if (info.hasEquals)
                    entries.push_back({info.name, info.value});
                else
                    entries.push_back({std::string_view(), info.name});
                blocks.back().end = entries.size();
                if (!info.name.empty()) blocks.back().hasKey = true;
            });
    }
    size_t firstOf(size_t b) const { return blocks[b].first; }
};

}  // namespace

CIniFileNew::CIniFileNew() = default;

CIniFileNew::CIniFileNew(String path, bool /*flag*/) {
    SetPath(std::move(path));
}

CIniFileNew::CIniFileNew(const CIniFileNew& other) = default;

CIniFileNew& CIniFileNew::operator=(const CIniFileNew& other) = default;

CIniFileNew::~CIniFileNew() = default;

int CIniFileNew::SetPath(String path) {
    m_path = std::move(path);
    uint32_t a = os::GetFileAttributesA(m_path.c_str());
    if (a == os::INVALID_FILE_ATTRIBUTES_) return 0;
    if (a & os::FILE_ATTRIBUTE_DIRECTORY_) return 0;
    return 1;
}

int CIniFileNew::SectionExist(String section) {
    return readFile(m_path).keyNames(section).empty() ? 0 : 1;
}

void CIniFileNew::DeleteSection(String section) {
    write(m_path, {deleteEdit(Edit::DeleteSection, section)});
}

bool CIniFileNew::DeleteKey(String section) {
    return write(m_path, {deleteEdit(Edit::DeleteSection, section)});
}

int CIniFileNew::GetAllSections(StringArray& sections) {
    sections = readFile(m_path).sectionNames();
    return static_cast<int>(sections.size());
}

void CIniFileNew::GetAllKeyname(StringArray& sections) {
    GetAllSections(sections);
}

int CIniFileNew::GetNumKeys() {
    return static_cast<int>(readFile(m_path).sectionNames().size());
}

void CIniFileNew::DeleteAllSections() {
    // One write: the section names are taken from the file while it is locked.
    write(m_path, {deleteEdit(Edit::DeleteAllSections, String())});
}

void CIniFileNew::Reset() {
    DeleteAllSections();
}

String CIniFileNew::GetKeyValue(String section, String key) {
    String v;
    readFile(m_path).value(section, key, v);
    return v;
}

String CIniFileNew::GetValue(String section, String key) {
    return GetKeyValue(std::move(section), std::move(key));
}

int CIniFileNew::GetValueI(String section, String key) {
    return text::atoi(GetKeyValue(std::move(section), std::move(key)));
}

double CIniFileNew::GetValueF(String section, String key) {
    return text::atof(GetKeyValue(std::move(section), std::move(key)));
}

void CIniFileNew::SetKeyValue(String section, String key, String value) {
    write(m_path, {setEdit(section, key, value)});
}

bool CIniFileNew::SetValue(String section, String key, String value, bool /*flag*/) {
    return write(m_path, {setEdit(section, key, value)});
}

bool CIniFileNew::SetValueI(String section, String key, int number, bool flag) {
    return SetValue(std::move(section), std::move(key), text::format("%d", number), flag);
}

bool CIniFileNew::SetValueF(String section, String key, double number, bool flag) {
    return SetValue(std::move(section), std::move(key), text::format("%f", number), flag);
}

void CIniFileNew::DeleteKey(String section, String key) {
    write(m_path, {deleteEdit(Edit::DeleteKey, section, key)});
}

bool CIniFileNew::DeleteValue(String section, String key) {
    return write(m_path, {deleteEdit(Edit::DeleteKey, section, key)});
}

int CIniFileNew::GetAllKeysAndValues(String section, StringArray& keys, StringArray& values) {
    ProfileSnapshot s = readFile(m_path);
    return keysAndValues(s.view(), section, keys, values);
}

int CIniFileNew::GetNumValues(String section) {
    StringArray keys, values;
    return GetAllKeysAndValues(std::move(section), keys, values);
}

bool CIniFileNew::GetValue(String section, StringArray& keys, StringArray& values) {
    return GetAllKeysAndValues(std::move(section), keys, values) >= 1;
}

bool CIniFileNew::GetValue(String section, StringArray& values) {
    StringArray keys;
    return GetAllKeysAndValues(std::move(section), keys, values) >= 1;
}

bool CIniFileNew::SetValue(String section, const StringArray& keys, const StringArray& values,
                           bool /*flag*/) {
    if (keys.size() != values.size()) return false;
    std::vector<Edit> edits;
    edits.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) edits.push_back(setEdit(section, keys[i], values[i]));
    return write(m_path, edits);
}

bool CIniFileNew::SetValue(String section, const StringArray& keys, bool flag) {
    return SetValue(std::move(section), keys, StringArray(keys.size()), flag);
}

bool CIniFileNew::GetItemValue(String key, String& value) {
    ProfileSnapshot s = readFile(m_path);
    // Sections in file order, entries in order; the first match wins. A repeated section name
    // stands for the first block of that name, which has been searched already when a later
    // block comes up, so a match in a later block of a name does not count (checked only when
    // a match is found, which keeps the search linear).
    std::vector<std::string_view> names;  // listed section names so far
    bool search = false, hasKey = false, found = false, pending = false;
    std::string_view candidate;
    auto endBlock = [&] {
        // A section whose entries all lack a name has no key: it is not searched.
        if (pending && hasKey) found = true;
        pending = false;
    };
    s.view().forEach(
        [&](std::string_view section) {
            if (found) return;
            endBlock();
            if (found) return;
            search = !section.empty();
            hasKey = false;
            if (search) names.push_back(section);
        },
        [&](std::string_view, const os::profile::LineInfo& info) {
            if (found || !search) return;
            if (!info.name.empty()) hasKey = true;
            if (pending) return;
            // The key as the section listing splits "name=value": a line without '=' has an
            // empty key and is its own value.
            std::string_view k = info.hasEquals ? info.name : std::string_view();
            if (!text::equalsNoCase(k, key)) return;
            for (size_t i = 0; i + 1 < names.size(); ++i)
                if (os::profile::namesEqual(names[i], names.back())) {
                    search = false;  // a later block of a name already searched
                    return;
                }
            pending = true;
            candidate = info.hasEquals ? info.value : info.name;
        });
    endBlock();
    if (found) value.assign(candidate);
    return found;
}

void CIniFileNew::GetAllValues(StringArray& values) {
    ProfileSnapshot s = readFile(m_path);
    Sections all(s.view());
    for (size_t b = 0; b < all.blocks.size(); ++b) {
        const Sections::Block& first = all.blocks[all.firstOf(b)];
        if (!first.hasKey) continue;
        for (size_t i = first.begin; i < first.end; ++i) values.emplace_back(all.entries[i].value);
    }
}

}  // namespace tq

// CIniFileNew: read and write access to one INI file.
//
// An object holds nothing but the path of its file (GBK, Windows form: '\' and '/' both separate
// folders). Every call goes straight to the file: it reads the file at most once and keeps
// nothing afterwards, so a change made through another object or another program is seen by the
// next call. Reads of a missing or unreadable file give empty results. Setters and deleters that
// return bool report whether the file holds what they asked for: true when it was written or
// already was so (a delete of a missing key), false when nothing could be written (a name that
// would not read back, a read-only file or folder, a full disk, a folder or device at the path);
// a file that cannot be written is left as it was.
//
// INI text is GBK: "[section]" lines start sections, "key=value" lines are their entries. A file
// saved as UTF-16 with its byte order mark ("Unicode") reads as GBK and stays UTF-16 when written.
// Section and key names match ignoring the case of ASCII letters. Writes change only the lines
// they must and replace the file atomically, so a file is never seen half-written.
//
// In this class "key" sometimes means a section: DeleteKey(section), GetNumKeys and
// GetAllKeyname work on sections.
#pragma once

#include "tqtool/types.h"

namespace tq {

class TQTOOL_API CIniFileNew {
  public:
    /// An object with an empty path (reads find nothing, writes do nothing).
    CIniFileNew();
    /// Stores the path as SetPath does (its result is dropped). The flag has no effect.
    CIniFileNew(String path, bool flag);
    /// Copies the path; both objects then name the same file.
    CIniFileNew(const CIniFileNew& other);
    /// Takes the other object's path.
    CIniFileNew& operator=(const CIniFileNew& other);
    /// Frees the path; touches no file.
    virtual ~CIniFileNew();

    // ---- The file and its sections ----

    /// Stores the path unconditionally; returns 1 when it names an existing file that is not a
    /// folder, else 0 (a later write creates a missing file).
    int SetPath(String path);
    /// 1 when the section exists and holds at least one key, else 0.
    int SectionExist(String section);
    /// Removes the section with all its entries (every block of that name).
    void DeleteSection(String section);
    /// Same as DeleteSection; false when the file could not be written.
    bool DeleteKey(String section);
    /// Clears `sections`, fills it with the names of all sections in file order, returns their
    /// number (a section without entries is listed too).
    int GetAllSections(StringArray& sections);
    /// Same as GetAllSections, without a result.
    void GetAllKeyname(StringArray& sections);
    /// Number of sections.
    int GetNumKeys();
    /// Removes every section of the file.
    void DeleteAllSections();
    /// Same as DeleteAllSections.
    void Reset();

    // ---- Values ----

    /// The value (one pair of surrounding quotes removed), or "" when the section or key is
    /// missing.
    String GetKeyValue(String section, String key);
    /// Same as GetKeyValue.
    String GetValue(String section, String key);
    /// The value read with atoi (12abc gives 12); 0 when missing.
    int GetValueI(String section, String key);
    /// The value read with atof; 0.0 when missing.
    double GetValueF(String section, String key);
    /// Writes key=value into the section, creating the section and the file when missing. A
    /// value ends at its first line break.
    void SetKeyValue(String section, String key, String value);
    /// SetKeyValue; false when nothing could be written (a section or key name that would not
    /// read back, a file or folder that cannot be written). The flag has no effect.
    bool SetValue(String section, String key, String value, bool flag);
    /// Writes the number with "%d"; false as SetValue.
    bool SetValueI(String section, String key, int number, bool flag);
    /// Writes the number with "%f" (2.5 is written 2.500000); false as SetValue.
    bool SetValueF(String section, String key, double number, bool flag);
    /// Removes the entry (every entry of that key in the section).
    void DeleteKey(String section, String key);
    /// Same as DeleteKey(section, key); true also when there was no such entry, false when the
    /// file could not be written.
    bool DeleteValue(String section, String key);

    // ---- Whole sections ----

    /// Clears both arrays and fills them pairwise with the section's entries in file order: the
    /// text before the first '=' and the text after it (an entry without '=' gives an empty key
    /// and the whole entry as value; quotes are kept). Returns the number of entries; 0 when the
    /// section is missing or holds no key.
    int GetAllKeysAndValues(String section, StringArray& keys, StringArray& values);
    /// Number of entries, as GetAllKeysAndValues counts them.
    int GetNumValues(String section);
    /// GetAllKeysAndValues; true when it found one entry or more.
    bool GetValue(String section, StringArray& keys, StringArray& values);
    /// As above, keeping only the values.
    bool GetValue(String section, StringArray& values);
    /// Writes keys[i]=values[i] for every i in order (one write of the file); false, with nothing
    /// written, when the arrays differ in size; false when a key is refused (the others are
    /// written) or the file could not be written; true otherwise (also for empty arrays).
    bool SetValue(String section, const StringArray& keys, const StringArray& values, bool flag);
    /// Writes every key with an empty value ("key="); false as above.
    bool SetValue(String section, const StringArray& keys, bool flag);
    /// Searches the sections in file order, and their entries in order, for the key (ignoring
    /// ASCII case); on the first match sets `value` and returns true. False, leaving `value`
    /// unchanged, when no section holds the key.
    bool GetItemValue(String key, String& value);
    /// Appends the values of every section, section by section (`values` is not cleared).
    void GetAllValues(StringArray& values);

  private:
    String m_path;
};

}  // namespace tq

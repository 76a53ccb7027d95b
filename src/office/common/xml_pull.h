// A small, fast, non-validating pull parser for the XML parts of office packages.
//
// It reads its input in chunks (memory stays at one chunk plus the largest single token), checks
// that the document is well formed (tags nest and match, attributes are quoted, entities are
// known), knows only the five predefined entities and character references, and refuses any
// DOCTYPE, so no entity-expansion trick can reach it; nesting is limited (tq::Limits::
// maxXmlDepth). A UTF-8 byte-order mark before the document is skipped. Element and attribute
// names are reported without their namespace prefix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "office/common/zip_archive.h"

namespace tq::office {

class XmlPull {
  public:
    enum Event : uint8_t { Start, End, Text, Eof };

    /// `partName` names the part in error messages. Throws ZipError for malformed input.
    /// `sizeHint` (the size the part claims) only chooses the first buffer size; `maxDepth`
    /// bounds the nesting of elements.
    XmlPull(ByteSource& src, std::string partName, uint64_t sizeHint, uint32_t maxDepth);

    /// The next event. An empty element (<a/>) gives Start then End. Eof comes once, after the
    /// root element has closed.
    Event next();

    /// Local name of the current Start or End element.
    std::string_view name() const { return name_; }
    /// Nesting depth: 1 inside the root element (after its Start), 0 after its End.
    size_t depth() const { return depth_; }
    bool selfClosing() const { return selfClosing_; }

    /// The value of the current Start element's attribute with that local name, entities
    /// decoded; `found` (when given) tells whether it exists. Valid until the next event.
    std::string_view attr(std::string_view localName, bool* found = nullptr);

    /// Raw text of the current Text event (entities not decoded yet).
    std::string_view rawText() const { return text_; }
    /// Appends the current Text event, decoded, to `out`.
    void appendText(std::string& out) const;
    /// Skips to the End of the current Start element (its children included).
    void skipElement();

    /// Appends `raw` with entities and character references decoded and line ends normalised.
    /// Throws ZipError (naming `partName`) for an unknown or invalid reference.
    static void decode(std::string_view raw, std::string& out, const std::string& partName);

  private:
    struct Attr {
        std::string_view local;
        std::string_view raw;
    };

    [[noreturn]] void fail(const std::string& what) const;
    bool more();      // reads more input behind [pos_, end_); false at end of input
    void needMore();  // like more(), but the end of input is an error
    bool parseStartTag();
    bool otherMarkup(char c2);
    bool ensure(size_t n);

    ByteSource& src_;
    std::string part_;
    std::vector<char> buf_;
    size_t pos_ = 0, end_ = 0;
    uint64_t consumed_ = 0;  // bytes dropped from the front of the buffer so far
    bool eof_ = false;
    bool started_ = false;  // the byte-order mark check is done
    bool rootSeen_ = false;
    bool pendingEnd_ = false;
    bool selfClosing_ = false;
    bool cdata_ = false;
    size_t depth_ = 0;
    size_t maxDepth_;
    std::vector<std::string> stack_;  // qualified names of the open elements
    std::string_view name_, qname_, text_;
    std::vector<Attr> attrs_;
    std::vector<std::string> attrScratch_;
};

/// Decodes the _xHHHH_ escapes that spreadsheet text uses for characters XML cannot carry
/// (control characters, lone underscores before such a pattern) in place.
void DecodeXEscapes(std::string& s);

}  // namespace tq::office

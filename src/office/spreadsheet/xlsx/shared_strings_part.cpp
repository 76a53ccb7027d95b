// The shared strings part of an .xlsx package, and the text of rich-text elements that inline
// strings use too.
#include "office/spreadsheet/xlsx/read_parts.h"

namespace tq::office::xlsx {

void CollectText(XmlPull& x, std::string& out, const ReadBudget& budget) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Text) {
            x.appendText(out);
            budget.checkPending(out.size());
        } else if (ev == XmlPull::Start) {
            x.skipElement();
        } else {
            return;  // End (or Eof, which the parser only gives when complete)
        }
    }
}

void CollectRichText(XmlPull& x, std::string& out, const ReadBudget& budget) {
    if (x.selfClosing()) {
        x.next();
        return;
    }
    size_t base = x.depth();
    for (;;) {
        XmlPull::Event ev = x.next();
        if (ev == XmlPull::Eof) break;
        if (ev == XmlPull::End) {
            if (x.depth() < base) break;
            continue;
        }
        if (ev != XmlPull::Start) continue;
        std::string_view n = x.name();
        if (n == "t")
            CollectText(x, out, budget);
        else if (n != "r")    // a run's <t> follows its <r>
            x.skipElement();  // rPh, phoneticPr, rPr ...
    }
    DecodeXEscapes(out);
}

void ReadSharedStrings(ReadContext& ctx, const std::string& part) {
    XmlPart p(ctx, part);
    std::string text;
    for (XmlPull::Event ev; (ev = p.x.next()) != XmlPull::Eof;) {
        if (ev != XmlPull::Start || p.x.name() != "si") continue;
        text.clear();
        CollectRichText(p.x, text, ctx.budget);
        ctx.budget.text(text.size());
        ctx.wb.strings.push_back(text);
    }
    ctx.sharedCount = ctx.wb.strings.size();
}

}  // namespace tq::office::xlsx

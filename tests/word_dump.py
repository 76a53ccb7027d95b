"""Prints the content of a .docx file as JSON, read with python-docx: the body in order
(paragraphs with text, alignment and run sizes; tables with alignment, cell texts, merge groups
and vertical alignments) and the first section's page orientation and size."""
import json, sys
import docx
from docx.oxml.ns import qn
from docx.table import Table
from docx.text.paragraph import Paragraph


def num(v):
    return None if v is None else int(v)


def main(path):
    d = docx.Document(path)
    body = []
    for el in d.element.body.iterchildren():
        if el.tag == qn("w:p"):
            p = Paragraph(el, d)
            body.append({"p": p.text, "align": num(p.alignment),
                         "sizes": [r.font.size.pt if r.font.size is not None else None for r in p.runs]})
        elif el.tag == qn("w:tbl"):
            t = Table(el, d)
            ncols, groups, texts, valign, first = len(t.columns), [], [], [], {}
            for i, c in enumerate(t._cells):
                if i % ncols == 0:
                    groups.append([]), texts.append([]), valign.append([])
                groups[-1].append(first.setdefault(id(c), i))
                texts[-1].append(c.text)
                v = c._tc.xpath("./w:tcPr/w:vAlign/@w:val")
                valign[-1].append(v[0] if v else None)
            body.append({"table": texts, "groups": groups, "valign": valign, "align": num(t.alignment)})
    s = d.sections[0]
    print(json.dumps({"body": body, "orientation": num(s.orientation),
                      "width": int(s.page_width), "height": int(s.page_height)}, ensure_ascii=False))


main(sys.argv[1])

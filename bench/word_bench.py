"""The reference for word_bench: python-docx building the same document as WordTable does in
word_bench.cpp (50 titled tables of 200 x 8 cells, one row merge and one column merge each,
tables centred) and saving it. Prints the seconds taken."""
import sys
import tempfile
import time

import docx
from docx.enum.table import WD_TABLE_ALIGNMENT
from docx.enum.text import WD_ALIGN_PARAGRAPH
from docx.shared import Pt

TABLES, ROWS, COLS = 50, 200, 8


def build(path):
    d = docx.Document()
    for k in range(TABLES):
        p = d.add_paragraph()
        p.alignment = WD_ALIGN_PARAGRAPH.CENTER
        p.add_run("表%d" % (k + 1)).font.size = Pt(16)
        t = d.add_table(rows=ROWS, cols=COLS)
        t.style = "Table Grid"
        cells = t._cells
        for r in range(ROWS):
            for c in range(COLS):
                text = "T%dR%dC%d" % (k, r, c)
                if r == 0 and 1 <= c <= 3:
                    text = "合并"
                if c == 0 and 2 <= r <= 5:
                    text = "纵"
                cell = cells[r * COLS + c]
                cell.text = text
                cell.paragraphs[0].alignment = WD_ALIGN_PARAGRAPH.CENTER
        a = t.cell(0, 1).merge(t.cell(0, 3))
        a.text = "合并"
        b = t.cell(2, 0).merge(t.cell(5, 0))
        b.text = "纵"
        t.alignment = WD_TABLE_ALIGNMENT.CENTER
    d.add_paragraph()
    d.save(path)


with tempfile.TemporaryDirectory() as tmp:
    start = time.perf_counter()
    build(tmp + "/reference.docx")
    print("%.6f" % (time.perf_counter() - start))

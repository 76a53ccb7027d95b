#!/usr/bin/python3
"""Writes the hostile inputs of the resource-limit tests: small files that would turn into
gigabytes, special files named as workbooks, and files just over the reading budgets.

usage: make_hostile.py OUTDIR MAX_CELLS MAX_TEXT_BYTES

Large parts are deflated once per chunk of a megabyte and the compressed chunk is repeated
(each chunk ends with a full flush, so the copies form one valid stream); the whole kit is a few
megabytes on disk and is made in a few seconds.
"""
import os, random, struct, sys, zlib

out, max_cells, max_text = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(out, exist_ok=True)
random.seed(7)

NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"


class Part:
    """A part's deflated bytes, built from pieces that may repeat."""

    def __init__(self, name, claim=None):
        self.name, self.data, self.crc, self.size, self.claim = name, [], 0, 0, claim

    def add(self, raw, times=1):
        c = zlib.compressobj(6, zlib.DEFLATED, -15)
        packed = c.compress(raw) + c.flush(zlib.Z_FULL_FLUSH)
        self.data.append(packed * times)
        for _ in range(times):
            self.crc = zlib.crc32(raw, self.crc)
        self.size += len(raw) * times
        return self

    def finish(self):
        self.data.append(zlib.compressobj(6, zlib.DEFLATED, -15).flush(zlib.Z_FINISH))
        return b"".join(self.data)


def write_zip(name, parts):
    body, directory = b"", b""
    for p in parts:
        data = p.finish()
        size = p.size if p.claim is None else p.claim  # what the directory claims
        head = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0x21, p.crc, len(data), size,
                           len(p.name), 0)
        directory += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, 0, 8, 0, 0x21, p.crc,
                                 len(data), size, len(p.name), 0, 0, 0, 0, 0, len(body)) + p.name.encode()
        body += head + p.name.encode() + data
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(parts), len(parts), len(directory), len(body), 0)
    with open(os.path.join(out, name), "wb") as f:
        f.write(body + directory + end)


def workbook(name, sheet_xml, strings=None, claim=None):
    """A one-sheet package; `sheet_xml` and `strings` are lists of (bytes, times); `claim` is the
    size the directory claims for the sheet."""
    rels = f'<Relationship Id="rId1" Type="{REL}worksheet" Target="worksheets/sheet1.xml"/>'
    if strings is not None:
        rels += f'<Relationship Id="rId2" Type="{REL}sharedStrings" Target="sharedStrings.xml"/>'
    parts = [
        Part("_rels/.rels").add(f'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="{REL}officeDocument" Target="xl/workbook.xml"/></Relationships>'.encode()),
        Part("xl/workbook.xml").add(f'<workbook {NS} xmlns:r="{REL[:-1]}"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>'.encode()),
        Part("xl/_rels/workbook.xml.rels").add(f'<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{rels}</Relationships>'.encode()),
    ]
    for part, pieces in ((Part("xl/worksheets/sheet1.xml", claim), sheet_xml),
                         (Part("xl/sharedStrings.xml"), strings)):
        if pieces is not None:
            parts.append(part)
            for piece, times in pieces:
                part.add(piece, times)
    write_zip(name, parts)


SHEET_HEAD = f'<worksheet {NS}><sheetData>'.encode()
SHEET_TAIL = b"</sheetData></worksheet>"
MB = 1 << 20

# Ratio bombs: ~1 GB of cells, and 900 MB of shared strings, from about a megabyte each.
cells = b'<row><c><v>1</v></c></row>' * (MB // 26)
workbook("bomb_cells.xlsx", [(SHEET_HEAD, 1), (cells, 1024), (SHEET_TAIL, 1)])
strings = b"<si><t>" + b"a" * (MB - 15) + b"</t></si>"
workbook("bomb_strings.xlsx", [(SHEET_HEAD + b'<row><c t="s"><v>0</v></c></row>' + SHEET_TAIL, 1)],
         [(b'<sst ' + NS.encode() + b'>', 1), (strings, 900), (b"</sst>", 1)])

# One cell at the far corner and one far down the last column.
workbook("far_cells.xlsx", [(SHEET_HEAD + b'<row r="4068"><c r="XFD4068"><v>1</v></c></row>'
                             b'<row r="1048576"><c r="XFD1048576"><v>2</v></c></row>' + SHEET_TAIL, 1)])

# A sheet of one cell whose directory entry claims almost 4 GB.
workbook("claims_4gb.xlsx", [(SHEET_HEAD + b'<row r="1"><c r="A1"><v>1</v></c></row>' + SHEET_TAIL, 1)],
         claim=0xFFFFFFF0)

# Shared strings just over the text budget, compressing about 70 times (under the ratio limit).
one = b"".join(b"<si><t>" + b"x" * 500 + b"%08x" % random.getrandbits(32) + b"</t></si>" for _ in range(2000))
workbook("text_over_budget.xlsx", [(SHEET_HEAD + SHEET_TAIL, 1)],
         [(b'<sst ' + NS.encode() + b'>', 1), (one, max_text // (2000 * 508) + 2), (b"</sst>", 1)])

# Rows of ten cells, numbered by their order, just over the cell budget.
rows = b"".join(b"<row>" + b"".join(b"<c><v>" + (b"2" if random.random() < 0.1 else b"1") + b"</v></c>"
                                    for _ in range(10)) + b"</row>" for _ in range(5000))
workbook("cells_over_budget.xlsx", [(SHEET_HEAD, 1), (rows, max_cells // 50000 + 1), (SHEET_TAIL, 1)])

# A million merged areas of two cells (read, within the limits).
merges = b"".join(b'<mergeCell ref="%c%d:%c%d"/>' % (a, r, b, r)
                  for r in range(1, 100001) for a, b in zip(b"ACEGIKMOQS", b"BDFHJLNPRT"))
workbook("merges_1e6.xlsx", [(SHEET_HEAD + b'<row r="1"><c r="A1"><v>1</v></c></row></sheetData><mergeCells>', 1),
                              (merges, 1), (b"</mergeCells></worksheet>", 1)])

# Special files with workbook names.
for name, make in (("fifo.xlsx", lambda p: os.mkfifo(p)), ("zero.csv", lambda p: os.symlink("/dev/zero", p)),
                   ("folder.xlsx", lambda p: os.mkdir(p))):
    p = os.path.join(out, name)
    if not os.path.lexists(p):
        make(p)

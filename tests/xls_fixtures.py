#!/usr/bin/python3
"""Writes the .xls fixtures of the .xls tests into DIR, by several independent writers:
xlwt (xlwt_*.xls), LibreOffice (lo_*.xls, all converted in one soffice run), Gnumeric's ssconvert
(gnm8_*.xls BIFF8, gnm5_*.xls BIFF7) and a small BIFF builder here (hb_*.xls) for the records and
containers those writers never produce; bad_*.xls are damaged on purpose. A writer that is not
installed is skipped (the tests say so).

    xls_fixtures.py DIR
"""
import datetime, os, shutil, struct, subprocess, sys, tempfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
p = lambda name: os.path.join(out, name)
CN = "道路测量礬"  # GBK texts whose trail bytes are ASCII
TABLE = [["桩号", "高程", "备注磡", "日期"], ["K0+000", 12.5, "起点", datetime.datetime(2024, 1, 31, 8, 30)],
         ["K0+020", -3, "", datetime.date(2023, 12, 1)], ["K0+040", 1234567.125, True, 0.75]]

# ---- xlwt ----
try:
    import xlwt
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet(CN)
    ws.write_merge(0, 0, 0, 3, CN, xlwt.easyxf("font: bold on, italic on, name SimSun, height 280;"
                                               "align: horiz center, vert top, wrap on;"
                                               "pattern: pattern solid, fore_colour yellow"))
    for r, row in enumerate(TABLE):
        for c, v in enumerate(row):
            fmt = "yyyy/m/d" if isinstance(v, datetime.date) else "h:mm" if v == 0.75 else "0.00"
            ws.write(r + 1, c, v, xlwt.easyxf(num_format_str=fmt))
    ws.write(5, 0, xlwt.Formula("1/0"))
    ws.write(5, 1, 0.3 + 0.2 * 0.5)
    ws.write(6, 1, 1e20)
    ws.write_merge(7, 9, 1, 2, "合并")
    ws.col(0).width = 20 * 256
    ws.row(1).height_mismatch = True
    ws.row(1).height = 30 * 20
    hidden = wb.add_sheet("Hidden")
    hidden.write(0, 0, "in a hidden sheet")
    hidden.visibility = 1
    wb.save(p("xlwt_survey.xls"))
except ImportError:
    pass

# ---- sources for LibreOffice and Gnumeric, made with openpyxl ----
import openpyxl
from openpyxl.styles import Alignment, Font, PatternFill
src = tempfile.mkdtemp()
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "表一"
ws["A1"] = CN
ws.merge_cells("A1:D1")
ws["A1"].font = Font(name="宋体", size=16, bold=True)
ws["A1"].alignment = Alignment(horizontal="center", wrap_text=True)
ws["A1"].fill = PatternFill("solid", fgColor="FFCC99")
for row in TABLE:
    ws.append(row)
ws["A6"] = "=1/0"
ws["B6"] = "=SUM(B3:B4)"
ws["C6"] = '="合计"&"x"'
ws["D6"] = "=B3>0"
ws["A7"] = "'007"
ws.merge_cells("B8:C10")
ws.column_dimensions["A"].width = 25
ws.row_dimensions[3].height = 40
ws2 = wb.create_sheet("Sheet 2")
for r in range(1, 300):  # enough shared strings for CONTINUE records
    ws2.append(["text %d %s" % (r, "长文本" * (r % 40)), r * 1.5, r % 2 == 0])
wb.save(os.path.join(src, "survey.xlsx"))
wb = openpyxl.Workbook()  # the 1904 date system and number formats
wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
ws = wb.active
for fmt, v in (("0.00%", 0.125), ("#,##0.00", 1234567.891), ("yyyy\"年\"m\"月\"d\"日\"", datetime.date(2024, 2, 29)),
               ("@", "0012"), ("h:mm:ss", datetime.time(23, 59, 59)), ("General", 1e-7)):
    ws.append([fmt, v])
    ws.cell(ws.max_row, 2).number_format = fmt
wb.save(os.path.join(src, "formats.xlsx"))
lo_home = tempfile.mkdtemp()
if shutil.which("soffice"):
    subprocess.run(["soffice", "-env:UserInstallation=file://" + lo_home, "--headless",
                    "--convert-to", "xls", "--outdir", src,
                    os.path.join(src, "survey.xlsx"), os.path.join(src, "formats.xlsx")],
                   env=dict(os.environ, HOME=lo_home), capture_output=True, timeout=300)
    for name in ("survey", "formats"):
        if os.path.exists(os.path.join(src, name + ".xls")):
            shutil.move(os.path.join(src, name + ".xls"), p("lo_%s.xls" % name))
if shutil.which("ssconvert"):
    for tag, exporter in (("gnm8", "excel_biff8"), ("gnm5", "excel_biff7")):
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:" + exporter,
                        os.path.join(src, "survey.xlsx"), p(tag + "_survey.xls")],
                       env=dict(os.environ, HOME=lo_home), capture_output=True, timeout=300)
shutil.rmtree(src, ignore_errors=True)
shutil.rmtree(lo_home, ignore_errors=True)


# ---- hand-built BIFF streams ----
def rec(t, body=b""):
    return struct.pack("<HH", t, len(body)) + body


def ustr(s, count=2, wide=None):
    wide = any(ord(ch) > 255 for ch in s) if wide is None else wide
    head = struct.pack("<H" if count == 2 else "<B", len(s)) + bytes([int(wide)])
    return head + (s.encode("utf-16-le") if wide else s.encode("latin-1"))


def bstr(s, enc, count=2):  # BIFF5 8-bit string
    b = s.encode(enc)
    return struct.pack("<H" if count == 2 else "<B", len(b)) + b


def bof(dt, biff=8):
    return rec(0x0809, struct.pack("<HHHHII", 0x0600, dt, 0xDBB, 0x7CC, 0, 6) if biff == 8
               else struct.pack("<HHHH", 0x0500, dt, 0xDBB, 0x7CC))


def book(sheets, head=b"", sst=b"", biff=8, enc="latin-1"):
    """Globals (fonts, 16 XFs, a date format on XF 16, sheet list, SST) and the sheets."""
    font = struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0)
    font += ustr("Arial", 1) if biff == 8 else bstr("Arial", enc, 1)
    xf = (lambda fmt: struct.pack("<HHHBBBBIIH", 0, fmt, 1, 0x20, 0, 0, 0xFC, 0, 0, 0x20C0)) \
        if biff == 8 else (lambda fmt: struct.pack("<HHHBBII", 0, fmt, 1, 0x20, 0xFC, 0, 0))
    fmt = struct.pack("<H", 164) + (ustr("yyyy-mm-dd") if biff == 8 else bstr("yyyy-mm-dd", enc, 1))
    glob = bof(5, biff) + head + rec(0x0031, font) * 5 + rec(0x041E, fmt)
    glob += b"".join(rec(0x00E0, xf(0)) for _ in range(16)) + rec(0x00E0, xf(164))
    sheets = [sh if len(sh) == 3 else sh + (0,) for sh in sheets]  # (name, records, type)
    names = [ustr(n, 1) if biff == 8 else bstr(n, enc, 1) for n, _, _ in sheets]
    size = len(glob) + sum(4 + 6 + len(n) for n in names) + len(sst) + 4
    body = []
    for (name, cells, kind), n in zip(sheets, names):
        glob += rec(0x0085, struct.pack("<IBB", size, 0, kind) + n)
        body.append(bof(0x20 if kind == 2 else 0x10, biff) + cells + rec(0x000A))
        size += len(body[-1])
    return glob + sst + rec(0x000A) + b"".join(body)


def cfb(stream, name="Workbook", mini=False, short=False, loop=False):
    """A compound document with one stream (in the small-stream area when `mini`), laid out as
    allocation table, directory, small-stream table, stream; `short` leaves the last sector unpadded."""
    S, END, FREE = 512, 0xFFFFFFFE, 0xFFFFFFFF
    pad = lambda b, n: b + b"\0" * (-len(b) % n)
    if not mini and len(stream) < 4096:  # smaller streams belong in the small-stream area
        stream += b"\0" * (4096 - len(stream) + (100 if short else 0))
    u32s = lambda vals: b"".join(struct.pack("<I", v) for v in vals)
    body = pad(stream, 64) if mini else stream
    nmini = len(body) // 64
    minifat = pad(u32s(list(range(1, nmini)) + [END]), S) if mini else b""
    nbody, nmf, nfat = (len(body) + S - 1) // S, len(minifat) // S, 1
    while (nfat + 1 + nmf + nbody + 127) // 128 > nfat:
        nfat += 1
    d, mf, st = nfat, nfat + 1, nfat + 1 + nmf
    run = lambda first, n: list(range(first + 1, first + n)) + [END] if n else []
    fat = [0xFFFFFFFD] * nfat + [END] + run(mf, nmf) + run(st, nbody)
    if loop:
        fat[st + 1] = st
    fat += [FREE] * (nfat * 128 - len(fat))
    entry = lambda n, t, child, first, size: pad(n.encode("utf-16-le"), 64) + struct.pack(
        "<HBBIII16sIQQIQ", 2 * len(n) + 2, t, 1, FREE, FREE, child, b"", 0, 0, 0, first, size)
    root = entry("Root Entry", 5, 1, st if mini else END, len(body) if mini else 0)
    directory = pad(root + entry(name, 2, FREE, 0 if mini else st, len(stream)), S)
    hdr = bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16 + struct.pack(
        "<HHHHH6sIIIIIIIII", 0x3E, 3, 0xFFFE, 9, 6, b"", 0, nfat, d, 0, 4096,
        mf if mini else END, nmf, END, 0) + u32s(list(range(nfat)) + [FREE] * (109 - nfat))
    return hdr + u32s(fat) + directory + minifat + (body if short else pad(body, S))


def cell(t, r, c, body, xf=15):
    return rec(t, struct.pack("<HHH", r, c, xf) + body)


rk_int = lambda v: struct.pack("<i", (v << 2) | 2)
rk_cent = lambda v: struct.pack("<i", (v << 2) | 3)  # v / 100
rk_float = lambda d: struct.pack("<I", struct.unpack("<Q", struct.pack("<d", d))[0] >> 32)

# SST: a string whose characters run from one record into a CONTINUE that starts with a new
# option byte (8-bit, then UTF-16), a rich-text string with runs, a string with a phonetic block.
split = "abc" + "长" * 3
sst_body = struct.pack("<II", 4, 4) + ustr("plain") + struct.pack("<HB", len(split), 0) + b"abc"
sst_cont = b"\x01" + "长长长".encode("utf-16-le") + struct.pack("<HBH", 4, 8, 2) + b"rich" + \
    b"\0" * 8 + struct.pack("<HBI", 5, 4, 6) + b"kanji" + b"\1" * 6
sst = rec(0x00FC, sst_body) + rec(0x003C, sst_cont)
cells = (rec(0x0200, struct.pack("<IIHHH", 0, 4, 0, 6, 0))
         + rec(0x00BD, struct.pack("<HH", 0, 1) + struct.pack("<H", 15) + rk_int(-7)
               + struct.pack("<H", 15) + rk_cent(1234) + struct.pack("<H", 16) + rk_float(45322.5)
               + struct.pack("<H", 3))
         + cell(0x00FD, 1, 0, struct.pack("<I", 0)) + cell(0x00FD, 1, 1, struct.pack("<I", 1))
         + cell(0x00FD, 1, 2, struct.pack("<I", 2)) + cell(0x00FD, 1, 3, struct.pack("<I", 3))
         + cell(0x0006, 2, 0, b"\0\0\0\0\0\0\xff\xff" + b"\0" * 8) + rec(0x0207, ustr("公式结果"))
         + cell(0x0006, 2, 1, b"\1\0\1\0\0\0\xff\xff" + b"\0" * 8)
         + cell(0x0006, 2, 2, b"\2\0\x2a\0\0\0\xff\xff" + b"\0" * 8)
         + cell(0x0006, 2, 3, struct.pack("<d", 99.5) + b"\0" * 8)
         + cell(0x0205, 3, 0, b"\0\0") + cell(0x0205, 3, 1, b"\x07\1")
         + rec(0x00BE, struct.pack("<HHHHH", 3, 2, 15, 15, 3))
         + rec(0x00E5, struct.pack("<HHHHH", 1, 4, 5, 0, 3)) + cell(0x0203, 4, 0, struct.pack("<d", 0.26), 16))
hb = book([("Records", cells), ("Chart1", b"", 2), ("Dialog1", rec(0x0081, b"\x10\0"))], sst=sst)
open(p("hb_records.xls"), "wb").write(cfb(hb))
open(p("hb_caps.xls"), "wb").write(cfb(hb, "WORKBOOK"))
open(p("hb_mini.xls"), "wb").write(cfb(book([("Mini", cell(0x0203, 0, 0, struct.pack("<d", 2.5)))]), mini=True))
open(p("hb_short.xls"), "wb").write(cfb(hb, short=True))
four = rec(0x0200, struct.pack("<IIHHH", 0, 65536, 0, 256, 0)) + b"".join(
    cell(0x0203, r, c, struct.pack("<d", r + c)) for r, c in ((0, 0), (65535, 255), (100, 7), (7, 100)))
open(p("hb_dimensions.xls"), "wb").write(cfb(book([("Claim", four)])))
# Shared strings that no cell uses, before and between the ones the cells use.
spare = rec(0x00FC, struct.pack("<II", 2, 4) + b"".join(ustr(s) for s in ("x", "used", "y", "道路")))
spare_cells = cell(0x00FD, 0, 0, struct.pack("<I", 3)) + cell(0x00FD, 1, 1, struct.pack("<I", 1))
open(p("hb_spare_strings.xls"), "wb").write(cfb(book([("Spare", spare_cells)], sst=spare)))
gbk = book([("表一", cell(0x0204, 0, 0, bstr(CN, "gbk")) + cell(0x0204, 1, 0, bstr("数据", "gbk")))],
           head=rec(0x0042, struct.pack("<H", 936)), biff=5, enc="gbk")
open(p("hb_biff5_cp936.xls"), "wb").write(cfb(gbk, "Book"))
open(p("bad_encrypted.xls"), "wb").write(cfb(book([("S", b"")], head=rec(0x002F, b"\0" * 6))))
open(p("bad_loop.xls"), "wb").write(cfb(hb, loop=True))
open(p("bad_truncated.xls"), "wb").write(cfb(book([("Cut", cells + b"\x03\x02\xff\xff")], sst=sst)))
open(p("bad_text.xls"), "wb").write(b"<html><table><tr><td>1</td></tr></table></html>")

#!/usr/bin/python3
"""Writes the workbook fixtures of the .xlsx reader tests, also the fuzzer's seed corpus.

usage: make_fixtures.py OUTDIR

Files are written by openpyxl, XlsxWriter and xlwt, zipped from the hand-made parts under
packages/, or made here byte by byte, so that nothing is read only by the code that wrote it.
"""
import datetime, os, sys, zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
path = lambda name: os.path.join(out, name)
put = lambda name, data: open(path(name), "wb").write(data)


# ---- openpyxl -------------------------------------------------------------------------------
import openpyxl
from openpyxl.styles import Alignment, Font, PatternFill

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "数据表"
ws["A1"] = "标题"
ws.merge_cells("A1:C1")
ws["A2"] = 1.5
ws["B2"] = True
ws["C2"] = "#N/A"
ws["D2"] = -0.000123
ws["E2"] = 1e20
ws["F2"] = False
ws["G2"] = "=SUM(A2:A2)"  # no cached value
ws["A3"] = datetime.datetime(2024, 1, 31, 12, 0, 0)
ws["B3"] = datetime.date(2020, 2, 29)
ws["B3"].number_format = 'yyyy"年"m"月"d"日"'
ws["C3"] = 1234.5
ws["C3"].number_format = "#,##0.00"
ws["D4"] = "a & b <c> \"q\" 'x' 礬磡矦"
ws["D4"].alignment = Alignment(horizontal="center", vertical="center", wrap_text=True)
ws["D4"].font = Font(name="宋体", size=14, bold=True)
ws["D4"].fill = PatternFill("solid", fgColor="FF112233")
ws.column_dimensions["B"].width = 20
ws.row_dimensions[4].height = 30
ws["XFD1048576"] = "far"
ws2 = wb.create_sheet("第二页")
ws2["B2"] = "x"
wb.create_sheet("Sheet3")
wb.move_sheet("Sheet3", offset=-2)  # order: Sheet3, 数据表, 第二页
wb.save(path("openpyxl_basic.xlsx"))

from openpyxl.utils.datetime import CALENDAR_MAC_1904

wb = openpyxl.Workbook()
wb.epoch = CALENDAR_MAC_1904
wb.active["A1"] = datetime.date(2024, 1, 31)
wb.save(path("openpyxl_1904.xlsx"))

# ---- XlsxWriter -----------------------------------------------------------------------------
import xlsxwriter

wb = xlsxwriter.Workbook(path("xlsxwriter_rich.xlsx"))
ws = wb.add_worksheet("汇总")
red = wb.add_format({"color": "red", "bold": True})
ws.write_rich_string("A1", red, "红色", "普通", red, "尾")
ws.write_formula("A2", "=1+1", None, 2)
ws.write_formula("A3", '="ab"&"c"', None, "abc")
ws.write_formula("A4", "=1/0", None, "#DIV/0!")
ws.write_formula("A5", "=TRUE()", None, True)
ws.write_boolean("B1", False)
dt = wb.add_format({"num_format": "yyyy-mm-dd hh:mm"})
ws.write_datetime("B2", datetime.datetime(2000, 1, 1, 6, 0), dt)
ws.write_number("B3", 3.14159, wb.add_format({"num_format": "0.000", "align": "right",
                                                "valign": "top", "bg_color": "#00FF00",
                                                "font_name": "Arial", "font_size": 9}))
ws.merge_range("C1:D2", "合并", wb.add_format({"align": "center"}))
ws.set_column("C:D", 15)
ws.set_row(5, 25)
ws.write_string("A6", "tab\tcr\rlf\n")
hidden = wb.add_worksheet("Hidden")
hidden.write("A1", 1)
hidden.hide()
wb.close()

# ---- xlwt (.xls) ----------------------------------------------------------------------------
import xlwt

wb = xlwt.Workbook(encoding="utf-8")
ws = wb.add_sheet("表一")
ws.write(0, 0, "标题礬")
ws.write(2, 0, datetime.date(2024, 1, 31), xlwt.easyxf(num_format_str="yyyy-mm-dd"))
wb.add_sheet("Second").write(5, 3, "x")
wb.save(path("xlwt_basic.xls"))

# ---- hand-made packages: every folder under packages/ zipped as it is -----------------------
# hand_made.xlsx: shared, rich, phonetic and inline strings, cells and rows without numbers, an ISO
# date cell, rows out of order and given twice, the 1904 date system, styles, merges, columns;
# prefixed.xlsx: prefixed elements, a main part elsewhere, part names in another case;
# builtin_formats.xlsx: every built-in number format id on one value, without <numFmts>;
# kinds_bom.xlsx: sheets of every kind, parts starting with a byte-order mark, a sheet whose kind
# only its content type tells; the others are damaged or hostile, each in one way.
packages = os.path.join(os.path.dirname(os.path.abspath(__file__)), "packages")
for name in sorted(os.listdir(packages)):
    top = os.path.join(packages, name)
    files = sorted(os.path.relpath(os.path.join(d, f), top) for d, _, fs in os.walk(top) for f in fs)
    with zipfile.ZipFile(path(name), "w", zipfile.ZIP_DEFLATED) as z:
        for f in files:
            z.write(os.path.join(top, f), f)

# ---- damaged and hostile --------------------------------------------------------------------
put("empty.xlsx", b"")
put("not_a_zip.xlsx", b"name,value\n1,2\n")
whole = open(path("openpyxl_basic.xlsx"), "rb").read()
put("truncated.xlsx", whole[: len(whole) * 6 // 10])
put("compound.xlsx", bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 504)
put("fake.xls", b"this is not a workbook at all" * 20)


def compound(name, streams):
    """A compound document (512-byte sectors): allocation table, directory, streams of 4096 bytes."""
    import struct
    free, end = 0xFFFFFFFF, 0xFFFFFFFE
    fat, entries = [0xFFFFFFFD, end], [("Root Entry", 5, 1, free, end, 0)]
    for k, s in enumerate(streams):
        entries.append((s, 2, free, k + 2 if k + 1 < len(streams) else free, len(fat), 4096))
        fat += list(range(len(fat) + 1, len(fat) + 8)) + [end]
    head = (bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16) +
            struct.pack("<HHHHH6x9I", 0x3E, 3, 0xFFFE, 9, 6, 0, 1, 1, 0, 4096, end, 0, end, 0) +
            struct.pack("<109I", 0, *[free] * 108) + struct.pack("<128I", *fat, *[free] * (128 - len(fat))))
    directory = b"".join((n + "\0").encode("utf-16-le").ljust(64, b"\0") +
                         struct.pack("<HBB3I36xIQ", 2 * len(n) + 2, kind, 1, free, right, child, start, size)
                         for n, kind, child, right, start, size in entries)
    put(name, head + directory.ljust(512, b"\0") + b"".join(bytes([k + 1]) * 4096 for k in range(len(streams))))


compound("encrypted.xlsx", ["EncryptionInfo", "EncryptedPackage"])
compound("encrypted_named.xls", ["EncryptionInfo", "EncryptedPackage"])

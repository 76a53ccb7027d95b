#!/usr/bin/python3
"""Prints what an independent reader sees in each workbook, one line per cell and per merged
area, for comparison with the engine's own reading:

    FILE<TAB>SHEET<TAB>A1<TAB>text        (a cell that holds a value; text in the engine's forms)
    FILE<TAB>SHEET<TAB>merged<TAB>A1:C2   (a merged area)

.xls files are read with xlrd (formatting_info=True), .xlsx files with openpyxl.

    xls_dump.py FILE...
"""
import datetime, decimal, os, sys

ERRORS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!", 0x1D: "#NAME?",
          0x24: "#NUM!", 0x2A: "#N/A"}


def col(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def number(v):
    if v != 0 and (abs(v) >= 1e15 or abs(v) < 1e-6):
        m, e = ("%.14E" % v).split("E")
        return m.rstrip("0").rstrip(".") + "E" + e[0] + e[1:].rjust(2, "0")
    return "{:f}".format(decimal.Decimal("%.15g" % v))


def when(y, mo, d, h, mi, s):
    t = "%d:%02d:%02d" % (h, mi, s)
    if (y, mo, d) in ((0, 0, 0), (1899, 12, 30)):
        return t
    return "%d/%d/%d" % (y, mo, d) + (" " + t if (h, mi, s) != (0, 0, 0) else "")


def xls_date(v, datemode):
    # In the 1904 system a serial below 1 is a moment of 1904-01-01, as the spreadsheet's cell
    # value gives it; xlrd's tuple form leaves the day out, its datetime form keeps it.
    if datemode == 1:
        d = __import__("xlrd").xldate_as_datetime(v, 1)
        return when(d.year, d.month, d.day, d.hour, d.minute, d.second)
    return when(*__import__("xlrd").xldate_as_tuple(v, datemode))


def xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True, ragged_rows=True)
    for sh in book.sheets():
        for r in range(sh.nrows):
            for c, cell in enumerate(sh.row(r)):
                t, v = cell.ctype, cell.value
                if t in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                text = {xlrd.XL_CELL_TEXT: lambda: v, xlrd.XL_CELL_NUMBER: lambda: number(v),
                        xlrd.XL_CELL_DATE: lambda: xls_date(v, book.datemode),
                        xlrd.XL_CELL_BOOLEAN: lambda: "TRUE" if v else "FALSE",
                        xlrd.XL_CELL_ERROR: lambda: ERRORS.get(v, "#VALUE!")}[t]()
                yield sh.name, "%s%d" % (col(c), r + 1), text
        for r1, r2, c1, c2 in sh.merged_cells:
            yield sh.name, "merged", "%s%d:%s%d" % (col(c1), r1 + 1, col(c2 - 1), r2)


def xlsx(path):
    import openpyxl
    for ws in openpyxl.load_workbook(path, data_only=True).worksheets:
        for row in ws.iter_rows():
            for cell in row:
                v = cell.value
                if v is None:
                    continue
                if isinstance(v, (datetime.date, datetime.time)):  # a datetime is both
                    day = (v.year, v.month, v.day) if isinstance(v, datetime.date) else (0, 0, 0)
                    hms = (v.hour, v.minute, v.second) if hasattr(v, "hour") else (0, 0, 0)
                    text = when(*day, *hms)
                else:
                    text = ("TRUE" if v else "FALSE") if isinstance(v, bool) else \
                        number(v) if isinstance(v, (int, float)) else str(v)
                yield ws.title, cell.coordinate, text
        for m in ws.merged_cells.ranges:
            yield ws.title, "merged", str(m)


for f in sys.argv[1:]:
    for sheet, ref, text in (xls if f.endswith(".xls") else xlsx)(f):
        esc = text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")
        print("%s\t%s\t%s\t%s" % (os.path.basename(f), sheet, ref, esc))

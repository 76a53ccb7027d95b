#!/usr/bin/python3
"""Writes the workbook fixtures of the .xlsx reader tests, also the fuzzer's seed corpus.

usage: make_fixtures.py OUTDIR

Files are written by openpyxl, XlsxWriter, xlwt and by hand (zipfile), so that nothing is read
only by the code that wrote it. Damaged and hostile packages are made by hand.
"""
import datetime
import os
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def path(name):
    return os.path.join(out, name)


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

# ---- hand-made packages ---------------------------------------------------------------------
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
NSR = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
CT = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
</Types>"""
ROOT_RELS = f"""<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="{REL}officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""


def workbook(sheets, pr=""):
    s = "".join(f'<sheet name="{n}" sheetId="{i + 1}" r:id="{rid}"/>' for i, (n, rid) in enumerate(sheets))
    return f'<?xml version="1.0"?>\n<workbook {NS} {NSR}>{pr}<sheets>{s}</sheets></workbook>'


def wb_rels(targets, sst=True, styles=True):
    r = "".join(f'<Relationship Id="{rid}" Type="{REL}worksheet" Target="{t}"/>' for rid, t in targets)
    if sst:
        r += f'<Relationship Id="rIdS" Type="{REL}sharedStrings" Target="sharedStrings.xml"/>'
    if styles:
        r += f'<Relationship Id="rIdT" Type="{REL}styles" Target="styles.xml"/>'
    return ('<?xml version="1.0"?><Relationships '
            f'xmlns="http://schemas.openxmlformats.org/package/2006/relationships">{r}</Relationships>')


def sheet(data, extra_before="", extra_after=""):
    return f'<?xml version="1.0"?>\n<worksheet {NS} {NSR}>{extra_before}<sheetData>{data}</sheetData>{extra_after}</worksheet>'


def sst(items):
    return f'<?xml version="1.0"?>\n<sst {NS} count="{len(items)}">' + "".join(f"<si>{i}</si>" for i in items) + "</sst>"


STYLES = f"""<?xml version="1.0"?>
<styleSheet {NS}>
<numFmts count="1"><numFmt numFmtId="164" formatCode="yyyy/mm/dd hh:mm"/></numFmts>
<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><i/><sz val="16"/><name val="黑体"/></font></fonts>
<fills count="3"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>
<fill><patternFill patternType="solid"><fgColor indexed="10"/></patternFill></fill></fills>
<borders count="1"><border/></borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="1" fillId="0"/></cellStyleXfs>
<cellXfs count="4">
<xf numFmtId="0" fontId="0" fillId="0" xfId="0"/>
<xf numFmtId="164" fontId="0" fillId="0" xfId="0" applyNumberFormat="1"/>
<xf numFmtId="31" fontId="1" fillId="2" xfId="0"><alignment horizontal="right" vertical="top"/></xf>
<xf numFmtId="49" fontId="0" fillId="0" xfId="0"/>
</cellXfs>
<dxfs count="1"><dxf><font><b/></font></dxf></dxfs>
</styleSheet>"""


def package(name, parts, root_rels=ROOT_RELS, ct=CT):
    with zipfile.ZipFile(path(name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", ct)
        if root_rels is not None:
            z.writestr("_rels/.rels", root_rels)
        for n, data in parts.items():
            z.writestr(n, data)


def simple(name, sheet_xml, strings=None, styles=STYLES, pr=""):
    parts = {
        "xl/workbook.xml": workbook([("S", "rId1")], pr),
        "xl/_rels/workbook.xml.rels": wb_rels([("rId1", "worksheets/sheet1.xml")], strings is not None,
                                              styles is not None),
        "xl/worksheets/sheet1.xml": sheet_xml,
    }
    if strings is not None:
        parts["xl/sharedStrings.xml"] = sst(strings)
    if styles is not None:
        parts["xl/styles.xml"] = styles
    package(name, parts)


hand_strings = [
    "<t>共享</t>",
    '<r><rPr><b/></rPr><t>粗</t></r><r><t xml:space="preserve"> 体</t></r><rPh sb="0" eb="1"><t>ふり</t></rPh>',
    "<t>line_x000D_\nbreak</t>",
    "<t>_x005F_x0041_ and _x0041_</t>",
    "<t>&lt;&amp;&gt;&quot;&apos;&#20013;&#x6587;</t>",
    "<t/>",
    "<t><![CDATA[<raw & data>]]></t>",
]
hand_sheet = sheet(
    '<row r="1" spans="1:6">'
    '<c r="A1" t="s"><v>0</v></c><c t="s"><v>1</v></c>'
    '<c t="inlineStr"><is><r><t>内</t></r><r><t>联</t></r><rPh><t>x</t></rPh></is></c>'
    '<c r="E1" t="b"><v>1</v></c><c t="e"><v>#DIV/0!</v></c>'
    "</row>"
    "<row>"
    '<c t="n"><v>-1.5E-3</v></c><c t="str"><f>"公式"&amp;"结果"</f><v>公式结果</v></c>'
    '<c r="D2" s="1"/><c r="E2" t="d"><v>2024-01-31T12:00:00</v></c>'
    '<c r="F2" t="s"><v>2</v></c><c r="G2" t="s"><v>3</v></c><c r="H2" t="s"><v>4</v></c>'
    '<c r="I2" t="inlineStr"><is><t>a&amp;b</t></is></c><c r="J2" t="s"><v>5</v></c>'
    '<c r="K2" t="s"><v>6</v></c><c r="L2" s="2"><v>45322</v></c>'
    "</row>"
    '<row r="5" ht="25" customHeight="1"><c r="C5"><v>3</v></c><c r="A5"><v>1</v></c><c r="C5"><v>33</v></c></row>'
    '<row r="3"><c r="A3"><v>7</v></c></row>'
    '<row r="7" s="3" customFormat="1"/>'
    '<row r="8"/>'
    '<row r="5"><c r="B5"><v>2</v></c><c r="A5"><v>11</v></c></row>',
    extra_before='<dimension ref="A1:XFD1048576"/><sheetFormatPr defaultRowHeight="13.5" baseColWidth="10"/>'
    '<cols><col min="2" max="3" width="12.7109375" customWidth="1"/><col min="5" max="5" width="9" style="2"/></cols>',
    extra_after='<mergeCells count="3"><mergeCell ref="A10:B11"/><mergeCell ref="B11:C12"/>'
    '<mergeCell ref="D1:D1"/><mergeCell ref="F20:E19"/></mergeCells>',
)
package("hand_made.xlsx", {
    "xl/workbook.xml": workbook([("后", "rId2"), ("前", "rId1")], '<workbookPr date1904="1"/>'),
    "xl/_rels/workbook.xml.rels": wb_rels([("rId1", "worksheets/sheet1.xml"),
                                          ("rId2", "/xl/worksheets/sheet2.xml")]),
    "xl/worksheets/sheet1.xml": sheet(""),
    "xl/worksheets/sheet2.xml": hand_sheet,
    "xl/sharedStrings.xml": sst(hand_strings),
    "xl/styles.xml": STYLES,
})

# A package whose elements carry a namespace prefix, whose main part lives elsewhere and whose
# part names differ in case from the relationships.
XNS = 'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
package("prefixed.xlsx", {
    "wb/Book.xml": f'<x:workbook {XNS} {NSR}><x:sheets><x:sheet name="P" sheetId="1" r:id="a"/></x:sheets></x:workbook>',
    "wb/_rels/Book.xml.rels": wb_rels([("a", "../Sheets/One.xml")], sst=False, styles=False),
    "sheets/one.XML": f'<x:worksheet {XNS}><x:sheetData><x:row r="2"><x:c r="B2" t="inlineStr"><x:is><x:t>p</x:t></x:is></x:c></x:row></x:sheetData></x:worksheet>',
}, root_rels=ROOT_RELS.replace("xl/workbook.xml", "wb/Book.xml"))

# ---- damaged and hostile --------------------------------------------------------------------
open(path("empty.xlsx"), "wb").close()
with open(path("not_a_zip.xlsx"), "wb") as f:
    f.write(b"name,value\n1,2\n")
with open(path("openpyxl_basic.xlsx"), "rb") as f:
    whole = f.read()
with open(path("truncated.xlsx"), "wb") as f:
    f.write(whole[: len(whole) * 6 // 10])
with open(path("compound.xlsx"), "wb") as f:
    f.write(bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]) + b"\0" * 504)
with open(path("fake.xls"), "wb") as f:
    f.write(b"this is not a workbook at all" * 20)

simple("mismatched_tags.xlsx", sheet('<row r="1"><c r="A1"><v>1</v></row>'))
simple("truncated_xml.xlsx", sheet('<row r="1"><c r="A1"><v>1</v></c></row>' * 50)[:700])
simple("unquoted_attr.xlsx", sheet('<row r=1><c r="A1"><v>1</v></c></row>'))
laughs = ('<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol "lol">'
          '<!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">'
          '<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>'
          f'<worksheet {NS}><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&lol3;</t></is></c></row></sheetData></worksheet>')
simple("entity_expansion.xlsx", laughs)
simple("unknown_entity.xlsx", sheet('<row r="1"><c r="A1" t="s"><v>0</v></c></row>'), ["<t>&nbsp;</t>"])
simple("external_entity.xlsx", sheet('<row r="1"><c r="A1" t="s"><v>0</v></c></row>'),
       ['<t>&#0;</t>'])
simple("absurd_sst_index.xlsx", sheet('<row r="1"><c r="A1" t="s"><v>4000000000</v></c></row>'), ["<t>a</t>"])
simple("row_beyond.xlsx", sheet('<row r="1048577"><c><v>1</v></c></row>'))
simple("column_beyond.xlsx", sheet('<row r="1"><c r="XFE1"><v>1</v></c></row>'))
simple("too_many_columns.xlsx", sheet('<row r="1"><c r="XFD1"><v>1</v></c><c><v>2</v></c></row>'))
simple("坏参.xlsx", sheet('<row r="1"><c r="坏参1"><v>1</v></c></row>'))
simple("bad_number.xlsx", sheet('<row r="1"><c r="A1"><v>12abc</v></c></row>'))
simple("deep_nesting.xlsx", sheet("<a>" * 5000 + "</a>" * 5000))


package("no_sheets.xlsx", {"xl/workbook.xml": workbook([]),
                           "xl/_rels/workbook.xml.rels": wb_rels([], False, False)})
package("missing_part.xlsx", {"xl/workbook.xml": workbook([("S", "rId1")]),
                              "xl/_rels/workbook.xml.rels": wb_rels([("rId1", "worksheets/gone.xml")], False, False)})
package("no_workbook.xlsx", {"word/document.xml": "<document/>"})

# Every built-in number format id (and a few without a built-in code), one per row, each on the
# value 45000.25; no <numFmts>, so the reader must know the codes.
BUILTIN_IDS = list(range(0, 60)) + [163, 164]
xfs = "".join(f'<xf numFmtId="{i}" fontId="0" fillId="0" xfId="0"/>' for i in BUILTIN_IDS)
builtin_styles = (f'<?xml version="1.0"?><styleSheet {NS}><fonts count="1"><font><sz val="11"/></font></fonts>'
                  '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
                  f'<cellXfs count="{len(BUILTIN_IDS)}">{xfs}</cellXfs></styleSheet>')
simple("builtin_formats.xlsx",
       sheet("".join(f'<row r="{k + 1}"><c r="A{k + 1}" s="{k}"><v>45000.25</v></c></row>'
                     for k in range(len(BUILTIN_IDS)))), styles=builtin_styles)

# Sheets of every kind, parts that start with a byte-order mark (as .NET generators write them),
# and a sheet whose kind only its part's content type tells.
BOM, MS = "\ufeff", "http://schemas.microsoft.com/office/2006/relationships/"
kinds = [("Data", REL + "worksheet", "worksheets/sheet1.xml"), ("Chart1", REL + "chartsheet", "chartsheets/sheet1.xml"),
         ("Macro1", MS + "xlMacrosheet", "macrosheets/sheet1.xml"), ("Dialog1", REL + "dialogsheet", "dialogsheets/sheet1.xml"),
         ("Chart2", "http://example.com/sheet", "chartsheets/sheet2.xml")]
kinds_rels = "".join(f'<Relationship Id="rId{i}" Type="{t}" Target="{p}"/>' for i, (_, t, p) in enumerate(kinds))
package("kinds_bom.xlsx", {
    "xl/workbook.xml": BOM + workbook([(n, f"rId{i}") for i, (n, _, _) in enumerate(kinds)]),
    "xl/_rels/workbook.xml.rels": BOM + f'<Relationships xmlns="{REL[:-1]}">{kinds_rels}</Relationships>',
    "xl/worksheets/sheet1.xml": BOM + sheet('<row r="1"><c r="A1" t="inlineStr"><is><t>bom</t></is></c></row>'),
    "xl/macrosheets/sheet1.xml": sheet('<row r="2"><c r="B2"><v>7</v></c></row>'),
    "xl/chartsheets/sheet1.xml": f'<chartsheet {NS}/>', "xl/chartsheets/sheet2.xml": f'<chartsheet {NS}/>',
    "xl/dialogsheets/sheet1.xml": f'<dialogsheet {NS}/>',
}, ct=CT.replace("</Types>", '<Override PartName="/xl/chartsheets/sheet2.xml" ContentType='
                 '"application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml"/></Types>'))


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
    with open(path(name), "wb") as f:
        f.write(head + directory.ljust(512, b"\0") + b"".join(bytes([k + 1]) * 4096 for k in range(len(streams))))


compound("encrypted.xlsx", ["EncryptionInfo", "EncryptedPackage"])
compound("encrypted_named.xls", ["EncryptionInfo", "EncryptedPackage"])

#!/usr/bin/python3
"""Writes the example survey workbook: a title row, Chinese headers, survey points and some merged
cells (the title across the table, each section's name down its rows).

    make-survey.py OUT.xlsx
"""
import sys

import openpyxl
from openpyxl.styles import Alignment

def main(out):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "测量成果"
    ws.append(["道路中线测量成果表", None, None, None, None, None])
    ws.append(["标段", "桩号", "北坐标X", "东坐标Y", "高程", "备注"])
    rows = [
        ["一标段", "K0+000", "3521406.125", "502318.442", "12.50", "起点"],
        [None, "K0+020", "3521425.870", "502321.015", "12.80", ""],
        [None, "K0+040", "3521445.602", "502323.771", "13.10", "涵洞"],
        ["二标段", "K0+060", "3521465.311", "502326.690", "13.00", ""],
        [None, "K0+080", "3521484.998", "502329.804", "12.70", "终点"],
    ]
    for r in rows:
        ws.append(r)
    ws.merge_cells("A1:F1")   # the title across the table
    ws.merge_cells("A3:A5")   # 一标段
    ws.merge_cells("A6:A7")   # 二标段
    for row in ws.iter_rows():
        for cell in row:
            cell.alignment = Alignment(horizontal="center", vertical="center")
    ws.column_dimensions["C"].width = 14
    ws.column_dimensions["D"].width = 14
    wb.save(out)

if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-survey.py OUT.xlsx")
    main(sys.argv[1])

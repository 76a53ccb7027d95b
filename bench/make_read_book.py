# Writes the reading benchmarks' workbook: a title row, a header row, then ROWS rows of numbers,
# ASCII and Chinese texts and some empty cells, 10 columns (python3-xlsxwriter).
#
#   python3 bench/make_read_book.py PATH.xlsx ROWS
import sys

import xlsxwriter

path, rows = sys.argv[1], int(sys.argv[2])
wb = xlsxwriter.Workbook(path)
ws = wb.add_worksheet("数据")
ws.write(0, 0, "基准测试表 Benchmark table")
for c, h in enumerate(["编号", "Name", "名称", "Value", "Ratio", "Code", "地区", "Count", "Note", "备注"]):
    ws.write(1, c, h)
cities = ["北京", "上海", "广州", "深圳", "成都", "杭州", "武汉", "西安"]
for r in range(rows):
    R = r + 2
    ws.write_number(R, 0, r + 1)
    ws.write_string(R, 1, "item-%d" % (r % 5000))
    ws.write_string(R, 2, "测试名称%d" % (r % 3000))
    ws.write_number(R, 3, r * 1.25 + 0.1)
    if r % 7:
        ws.write_number(R, 4, (r % 1000) / 37.0)
    ws.write_string(R, 5, "C%06d" % r)
    ws.write_string(R, 6, cities[r % len(cities)])
    ws.write_number(R, 7, r % 97)
    if r % 3 == 0:
        ws.write_string(R, 8, "note %d" % r)
    if r % 5 == 0:
        ws.write_string(R, 9, "备注第%d行" % r)
wb.close()

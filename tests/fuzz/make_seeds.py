#!/usr/bin/python3
"""Writes the seed corpus of one fuzz target into DIR, made from the readers' test fixtures.

    make_seeds.py xlsx|xml|xls DIR

xlsx and xml: every fixture package as it is (mode byte 0) and the XML parts of the packages
behind the mode byte of their kind. xls: every fixture file as it is (mode byte 0) and its
workbook stream alone (mode byte 1).
"""
import os, subprocess, sys, tempfile, zipfile

kind, seeds = sys.argv[1], sys.argv[2]
here = os.path.dirname(os.path.abspath(__file__))
os.makedirs(seeds, exist_ok=True)
fixtures = tempfile.mkdtemp(prefix="tqseeds-")


seed = lambda name, data: open(os.path.join(seeds, name), "wb").write(data)


if kind in ("xlsx", "xml"):
    subprocess.run([sys.executable, os.path.join(here, "make_fixtures.py"), fixtures],
                   check=True, stdout=subprocess.DEVNULL)
    modes = {"sheet1.xml": 1, "sharedStrings.xml": 2, "styles.xml": 3, "workbook.xml": 4,
             "workbook.xml.rels": 5, "sheet2.xml": 6}
    for n, name in enumerate(sorted(os.listdir(fixtures))):
        p = os.path.join(fixtures, name)
        if not os.path.isfile(p) or os.path.getsize(p) > 65536:
            continue
        seed("pkg%d" % n, b"\0" + open(p, "rb").read())
        if zipfile.is_zipfile(p):
            z = zipfile.ZipFile(p)
            for k, info in enumerate(z.infolist()):
                base = info.filename.rsplit("/", 1)[-1]
                if base in modes and info.file_size <= 65536:
                    seed("part%d-%d" % (n, k), bytes([modes[base]]) + z.read(info))
elif kind == "xls":
    from xlrd import compdoc
    subprocess.run([sys.executable, os.path.join(here, "..", "xls_fixtures.py"), fixtures],
                   check=True, stdout=subprocess.DEVNULL)
    for name in sorted(os.listdir(fixtures)):
        data = open(os.path.join(fixtures, name), "rb").read()
        if len(data) > 131072:
            continue
        seed("file-" + name, b"\0" + data)
        try:
            doc = compdoc.CompDoc(data, logfile=open(os.devnull, "w"))
            body = doc.get_named_stream("Workbook") or doc.get_named_stream("Book")
            seed("stream-" + name, b"\1" + body)
        except Exception:
            pass  # the damaged fixtures have no readable stream; the file seed stays
else:
    sys.exit("unknown fuzz target " + kind)

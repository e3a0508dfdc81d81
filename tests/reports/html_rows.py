#!/usr/bin/env python3
"""Reads a report page with an XML parser and prints, tab-separated, the rows of its period tables (or
of the tables of the class given second), then the number of SVG charts and of their bars and the
class of the page's first table: the end-to-end test compares them with the CSV."""
import sys
import xml.etree.ElementTree as ET

NS = {"h": "http://www.w3.org/1999/xhtml", "s": "http://www.w3.org/2000/svg"}
root = ET.parse(sys.argv[1]).getroot()
wanted = sys.argv[2] if len(sys.argv) > 2 else "periods"
for table in root.iter("{http://www.w3.org/1999/xhtml}table"):
    if table.get("class") != wanted:
        continue
    for row in table.findall("h:tbody/h:tr", NS):
        print("\t".join((cell.text or "") for cell in row.findall("h:td", NS)))
svgs = list(root.iter("{http://www.w3.org/2000/svg}svg"))
bars = sum(1 for svg in svgs for rect in svg.iter("{http://www.w3.org/2000/svg}rect") if rect.find("s:title", NS) is not None)
tables = list(root.iter("{http://www.w3.org/1999/xhtml}table"))
print("svg=%d bars=%d first=%s" % (len(svgs), bars, tables[0].get("class") if tables else "none"))

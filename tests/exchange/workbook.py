"""The independent side of the .xlsx tests, with Debian's python3-openpyxl.
  workbook.py read FILE          prints the first sheet as JSON: its rows (each value
                                 with its type), whether the header is bold, the frozen
                                 cell and the column widths
  workbook.py write FILE JSON    writes the rows of the JSON array with openpyxl (shared
                                 strings; numbers stay numbers)
  workbook.py inline FILE JSON   writes the rows by hand as inline strings, the way other
                                 programs do, numbers as <v> cells
  workbook.py sheets FILE JSON   writes each array of rows of the JSON array as a sheet of
                                 its own with openpyxl, the last one active"""
import json
import sys
import zipfile
from xml.sax.saxutils import escape

import openpyxl


def read(path):
    sheet = openpyxl.load_workbook(path).worksheets[0]
    rows = [[[cell.value, cell.data_type] for cell in row] for row in sheet.iter_rows()]
    widths = [sheet.column_dimensions[c].width for c in "ABCD"]
    bold = all(cell.font.b for cell in sheet[1])
    return {"rows": rows, "bold": bold, "frozen": sheet.freeze_panes, "widths": widths}


def write(path, rows):
    book = openpyxl.Workbook()
    for row in rows:
        book.active.append(row)
    book.save(path)


def sheets(path, tables):
    book = openpyxl.Workbook()
    book.remove(book.active)
    for number, rows in enumerate(tables, 1):
        sheet = book.create_sheet(f"Sayfa {number}")
        for row in rows:
            sheet.append(row)
    book.active = len(tables) - 1
    book.save(path)


def column(index):
    name = ""
    index += 1
    while index:
        index, rest = divmod(index - 1, 26)
        name = chr(65 + rest) + name
    return name


def inline(path, rows):
    cells = []
    for r, row in enumerate(rows, 1):
        parts = []
        for c, value in enumerate(row):
            ref = f"{column(c)}{r}"
            if isinstance(value, (int, float)):
                parts.append(f'<c r="{ref}"><v>{value}</v></c>')
            elif value is not None:
                parts.append(f'<c r="{ref}" t="inlineStr"><is><t>{escape(value)}</t></is></c>')
        cells.append(f'<row r="{r}">{"".join(parts)}</row>')
    ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/content-types"/>')
        z.writestr("xl/workbook.xml", f'<workbook xmlns="{ns}" xmlns:r="{rel}"><sheets>'
                   '<sheet name="Kişiler" sheetId="1" r:id="rId7"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels", '<Relationships xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/relationships"><Relationship Id="rId7" '
                   f'Type="{rel}/worksheet" Target="worksheets/kisiler.xml"/></Relationships>')
        z.writestr("xl/worksheets/kisiler.xml",
                   f'<worksheet xmlns="{ns}"><sheetData>{"".join(cells)}</sheetData></worksheet>')


command, path = sys.argv[1], sys.argv[2]
if command == "read":
    print(json.dumps(read(path)))
elif command == "write":
    write(path, json.loads(sys.argv[3]))
elif command == "sheets":
    sheets(path, json.loads(sys.argv[3]))
else:
    inline(path, json.loads(sys.argv[3]))

"""Reads an export of the program with independent parsers, Debian's python3-vobject for
vCard and Python's csv module for CSV, and prints its entries as JSON rows of
[name, phone, mobile, mail]. A CSV field written after a single quote so that no
spreadsheet runs it as a formula is given without that quote, as the program documents.
Usage: read_export.py FILE.vcf|FILE.csv"""
import csv
import json
import re
import sys

import vobject


def vcard_rows(path):
    with open(path, encoding="utf-8", newline="") as stream:
        text = stream.read()
    rows = []
    for card in vobject.readComponents(text):
        assert card.version.value == "3.0"
        phone = mobile = mail = ""
        for tel in card.contents.get("tel", []):
            types = [t.upper() for t in tel.params.get("TYPE", [])]
            if "CELL" in types:
                mobile = tel.value
            elif "VOICE" in types:
                phone = tel.value
        if "email" in card.contents:
            mail = card.email.value
        rows.append([card.fn.value, phone, mobile, mail])
    return rows


# One or more quotes, then what a spreadsheet would take for the start of a formula.
GUARDED = re.compile(r"'+(?:[=@\t\r]|[+-](?![0-9 (]))", re.DOTALL)


def csv_rows(path):
    with open(path, encoding="utf-8-sig", newline="") as stream:
        rows = list(csv.reader(stream, delimiter=";"))
    assert rows[0] == ["Ad Soyad", "Telefon", "Cep", "Mail"], rows[0]
    return [[f[1:] if GUARDED.match(f) else f for f in row] for row in rows[1:]]


path = sys.argv[1]
print(json.dumps(vcard_rows(path) if path.endswith(".vcf") else csv_rows(path)))

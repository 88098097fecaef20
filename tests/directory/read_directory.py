#!/usr/bin/python3
"""Reads a desk phone's remote phone book with xml.etree, independently of the program,
and prints one line per person as a JSON list: [name, [numbers...]]. Usage:
read_directory.py LAYOUT FILE"""
import json
import sys
import xml.etree.ElementTree as ET


def people(layout, root):
    if layout == "yealink":
        assert root.tag == "YealinkIPPhoneDirectory", root.tag
        for entry in root.findall("DirectoryEntry"):
            yield entry.findtext("Name"), [t.text for t in entry.findall("Telephone")]
    elif layout == "cisco":
        assert root.tag == "CiscoIPPhoneDirectory", root.tag
        # One number an entry: a person's numbers follow one another under one name.
        last = None
        for entry in root.findall("DirectoryEntry"):
            name = entry.findtext("Name")
            numbers = [t.text for t in entry.findall("Telephone")]
            assert len(numbers) == 1, name
            if last is not None and last[0] == name:
                last[1].extend(numbers)
            else:
                if last is not None:
                    yield last
                last = (name, numbers)
        if last is not None:
            yield last
    elif layout == "grandstream":
        assert root.tag == "AddressBook", root.tag
        for contact in root.findall("Contact"):
            name = " ".join(n for n in (contact.findtext("FirstName"), contact.findtext("LastName")) if n)
            phones = contact.findall("Phone")
            assert all(p.get("type") in ("Work", "Cell") for p in phones)
            yield name, [p.findtext("phonenumber") for p in phones]
    elif layout == "snom":
        assert root.tag == "tbook" and root.get("version") == "2.0", root.tag
        for contact in root.findall("contact"):
            name = " ".join(n for n in (contact.findtext("first_name"), contact.findtext("last_name")) if n)
            numbers = contact.findall("numbers/number")
            assert all(n.get("type") in ("business", "mobile") for n in numbers)
            yield name, [n.get("no") for n in numbers]
    else:
        raise SystemExit("unknown layout " + layout)


def main():
    layout, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as stream:
        head = stream.read(64)
    assert head.startswith(b'<?xml version="1.0" encoding="UTF-8"?>'), head
    for name, numbers in people(layout, ET.parse(path).getroot()):
        print(json.dumps([name, numbers], ensure_ascii=False))


main()

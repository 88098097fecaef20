#!/usr/bin/python3
"""Reads cards with python's vobject, independently of the program: each file given holds
one card; prints one JSON line per card: [FN, [TEL values], [EMAIL values], [other
property names]]. Usage: read_cards.py FILE..."""
import json
import sys

import vobject

for path in sys.argv[1:]:
    with open(path, encoding="utf-8", newline="") as f:
        card = vobject.readOne(f.read())
    fn = card.fn.value if hasattr(card, "fn") else None
    tels = [t.value for t in card.contents.get("tel", [])]
    emails = [e.value for e in card.contents.get("email", [])]
    others = sorted(k for k in card.contents if k not in ("tel", "email", "fn", "n"))
    print(json.dumps([fn, tels, emails, others], ensure_ascii=False))

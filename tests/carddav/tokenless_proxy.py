#!/usr/bin/python3
"""A CardDAV server that keeps no sync tokens, for the sync's tests: every request is passed
to the real server named, on 127.0.0.1, but no answer names a sync-token and a
sync-collection report is refused, as servers without RFC 6578 refuse it. Listens on
127.0.0.1 and a free port, which it prints first.
Usage: tokenless_proxy.py UPSTREAM_PORT (ends when its standard input closes)."""
import http.client
import re
import sys

import script_server

UPSTREAM = int(sys.argv[1])
PASSED = ("Authorization", "Content-Type", "Depth", "If-Match", "If-None-Match")
TOKEN = re.compile(rb"<(\w+:)?sync-token\s*/>|<(\w+:)?sync-token>.*?</(\w+:)?sync-token>", re.S)


class Handler(script_server.Handler):
    def reply(self, status, headers, body):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        if self.command == "REPORT" and b"sync-collection" in body:
            self.reply(403, [("Content-Type", "application/xml")],
                       b'<?xml version="1.0"?><error xmlns="DAV:"><supported-report/></error>')
            return
        upstream = http.client.HTTPConnection("127.0.0.1", UPSTREAM, timeout=60)
        upstream.request(self.command, self.path, body,
                         {name: self.headers[name] for name in PASSED if name in self.headers})
        answer = upstream.getresponse()
        content = TOKEN.sub(b"", answer.read())
        kept = [(name, value) for name, value in answer.getheaders()
                if name.lower() in ("content-type", "etag", "location")]
        upstream.close()
        self.reply(answer.status, kept, content)


script_server.serve(Handler)

#!/usr/bin/python3
"""A CardDAV server gone wrong, for the client's tests: on 127.0.0.1 and a free port,
which it prints first. Each path says how it answers any method:
  /yonlendir/  a redirect to another server
  /tasi/       a redirect on this server to /yontem/
  /yontem/     507 to a PROPFIND with a body, 400 to anything else
  /dongu/      a redirect to itself
  /sonsuz/     a 207 answer without end
  /durum/NNN/  status NNN with an HTML page
  /bozuk/      a 207 answer that is not XML
Usage: hostile_server.py (ends when its standard input closes)."""
import script_server


class Handler(script_server.Handler):
    def redirect(self, status, to):
        self.send_response(status)
        self.send_header("Location", to)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def answer(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        if self.path.startswith("/yonlendir/"):
            self.redirect(301, "http://127.0.0.2:9/yakala/")
        elif self.path.startswith("/tasi/"):
            self.redirect(308, "/yontem/")
        elif self.path.startswith("/dongu/"):
            self.redirect(301, "/dongu/")
        elif self.path.startswith("/yontem/"):
            self.send_response(507 if self.command == "PROPFIND" and length else 400)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif self.path.startswith("/sonsuz/"):
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.end_headers()
            block = b"<multistatus xmlns=\"DAV:\">" + b" " * 65536
            try:
                while True:
                    self.wfile.write(block)
            except OSError:
                pass
            self.close_connection = True
        elif self.path.startswith("/durum/"):
            status = int(self.path.split("/")[2])
            page = b"<html>hata</html>"
            self.send_response(status)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)
        else:
            page = b"<multistatus xmlns=\"DAV:\"><response><href>/a"
            self.send_response(207)
            self.send_header("Content-Type", "application/xml")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)


script_server.serve(Handler)

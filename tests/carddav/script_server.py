"""What the tests' script servers share: HTTP/1.1 on 127.0.0.1 and a free port, which is
printed first, every method answered by the handler's answer(), until standard input
closes."""
import http.server
import sys
import threading


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def every_method(self):
        self.answer()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_MKCOL = every_method


def serve(handler):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    sys.stdin.read()

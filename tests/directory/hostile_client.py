#!/usr/bin/python3
"""Asks the directory server what an attacker would, with raw sockets, and prints what
happened as one JSON object. Usage: hostile_client.py PORT [rate] (the server on
127.0.0.1); with "rate", only a flood of requests from one client."""
import http.client
import json
import socket
import subprocess
import sys
import time

PORT = int(sys.argv[1])
LIMIT = 30  # seconds any wait takes at most


def connect():
    sock = socket.create_connection(("127.0.0.1", PORT), timeout=LIMIT)
    return sock


def status_of(reply):
    """The status of an HTTP reply, or "closed" when the server said nothing."""
    if not reply:
        return "closed"
    parts = reply.split(b" ", 2)
    return int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else reply[:40].decode("latin-1")


def ask(data):
    """Sends the bytes and reads the first bytes of the reply."""
    sock = connect()
    try:
        sock.sendall(data)
        return status_of(sock.recv(4096))
    except (ConnectionResetError, BrokenPipeError):
        return "closed"
    finally:
        sock.close()


def closed_by_server(sock, within):
    """Whether the server closes the connection within so many seconds."""
    sock.settimeout(within)
    try:
        while True:
            if not sock.recv(65536):
                return True
    except (ConnectionResetError, BrokenPipeError):
        return True
    except socket.timeout:
        return False


def header_flood():
    """Headers without end: how much the server takes before it closes the connection."""
    sock = connect()
    sock.sendall(b"GET /rehber/yealink.xml HTTP/1.1\r\nHost: x\r\n")
    sent, block = 0, b"X-Dolgu: " + b"b" * 40 + b"\r\n"
    sock.settimeout(5)
    started = time.time()
    try:
        while time.time() - started < LIMIT:
            sock.sendall(block * 1000)
            sent += len(block) * 1000
    except (socket.timeout, ConnectionResetError, BrokenPipeError):
        pass
    closed = closed_by_server(sock, LIMIT)
    sock.close()
    return {"sent": sent, "closed": closed}


def curl_status(path):
    done = subprocess.run(["curl", "--silent", "--max-time", str(LIMIT), "--output", "/dev/null",
                           "--write-out", "%{http_code}", f"http://127.0.0.1:{PORT}{path}"],
                          capture_output=True, text=True, check=False)
    return int(done.stdout or 0)


def slow_clients(count):
    """Clients that send a request a byte at a time: others are answered meanwhile, and
    the server drops those beyond a client's share."""
    slow = []
    for _ in range(count):
        sock = connect()
        sock.sendall(b"GET /arayan?numara=1 HTTP/1.1\r\nX")
        slow.append(sock)
    answered = curl_status("/rehber/cisco.xml")
    for _ in range(3):
        for sock in slow:
            try:
                sock.sendall(b"y")
            except OSError:
                pass
        time.sleep(1)
    dropped = sum(1 for sock in slow if closed_by_server(sock, 0.2))
    for sock in slow:
        sock.close()
    return {"answered": answered, "dropped": dropped}


def silent_client():
    sock = connect()
    started = time.time()
    closed = closed_by_server(sock, LIMIT)
    sock.close()
    return {"closed": closed, "seconds": round(time.time() - started)}


def flood_of_requests():
    """Requests one after another until the server refuses one, then one after a pause."""
    connection = http.client.HTTPConnection("127.0.0.1", PORT, timeout=LIMIT)
    refused_at = None
    for count in range(1, 5001):
        connection.request("GET", "/arayan?numara=05321234567")
        reply = connection.getresponse()
        reply.read()
        if reply.status == 429:
            refused_at = count
            retry = reply.getheader("Retry-After")
            break
    time.sleep(2)
    connection.request("GET", "/arayan?numara=05321234567")
    later = connection.getresponse()
    later.read()
    return {"refused at": refused_at, "retry after": retry if refused_at else None,
            "later": later.status}


def main():
    if sys.argv[2:] == ["rate"]:
        print(json.dumps(flood_of_requests(), sort_keys=True))
        return
    found = {
        "huge header": ask(b"GET /rehber/yealink.xml HTTP/1.1\r\nHost: x\r\nX-Uzun: "
                           + b"a" * 100000 + b"\r\n\r\n"),
        "long uri": ask(b"GET /arayan?numara=" + b"1" * 20000 + b" HTTP/1.1\r\nHost: x\r\n\r\n"),
        "big body": ask(b"POST /arayan HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000000\r\n\r\n"
                        + b"x" * 65536),
        "garbage": ask(b"\x00\x01\xfe\xff GET\r\n\r\n"),
        "absolute uri": ask(b"GET http://127.0.0.1/etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n"),
        "header flood": header_flood(),
        "slow clients": slow_clients(40),
        "silent client": silent_client(),
        "afterwards": curl_status("/rehber/yealink.xml"),
    }
    print(json.dumps(found, sort_keys=True))


main()

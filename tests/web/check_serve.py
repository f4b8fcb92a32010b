#!/usr/bin/env python3
"""scripts/web-serve.sh serves the page as a small download: each file's brotli or gzip twin to
a browser that accepts it, the file itself to one that does not, the same bytes once decoded,
with Vary and validators that turn a reload of an unchanged file into a 304, and never a twin
older than its file.

  check_serve.py ROOT WORK"""
import gzip
import http.client
import os
import shutil
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from check_report import Problems, run_check  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(port, name, **headers):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    c.request("GET", name, headers=headers)
    r = c.getresponse()
    body = r.read()
    c.close()
    return r.status, {k.lower(): v for k, v in r.getheaders()}, body


def decoded(headers, body):
    coding = headers.get("content-encoding")
    if coding == "gzip":
        return gzip.decompress(body)
    if coding == "br":
        return subprocess.run(["brotli", "-d", "-c"], input=body, capture_output=True, check=True).stdout
    return body


def serve_problems(root, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    page = {"index.html": b"<!DOCTYPE html><title>Corvina</title>" + b"<p>the page</p>" * 400,
            "corvina.wasm": bytes(range(256)) * 200, "notes.txt": b"a line\n" * 300}
    for name, data in page.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
    port = free_port()
    server = subprocess.Popen([os.path.join(root, "scripts", "web-serve.sh"), work, str(port)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    problems = Problems()
    check = problems.check
    try:
        for _ in range(300):
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.1)
        best = "br" if shutil.which("brotli") else "gzip"
        for accept, coding in (("gzip, deflate, br", best), ("gzip", "gzip"), ("br;q=0, gzip", "gzip"), ("", None)):
            status, headers, body = get(port, "/", **({"Accept-Encoding": accept} if accept else {}))
            what = f"GET / with Accept-Encoding '{accept}':"
            check(what, status == 200, f"status {status}")
            check(what, headers.get("content-encoding") == coding, f"Content-Encoding {headers.get('content-encoding')}")
            check(what, decoded(headers, body) == page["index.html"], "the bytes differ from the file's")
            check(what, coding is None or len(body) < len(page["index.html"]) / 4, f"{len(body)} bytes sent")
            check(what, headers.get("vary") == "Accept-Encoding", f"Vary {headers.get('vary')}")
            check(what, headers.get("content-type", "").startswith("text/html"), headers.get("content-type"))
            # A reload of what the browser holds costs nothing.
            again = get(port, "/", **({"Accept-Encoding": accept} if accept else {}), **{"If-None-Match": headers.get("etag", "-")})
            check(what, again[0] == 304 and again[2] == b"", f"revalidated: {again[0]}")
        _, headers, _ = get(port, "/corvina.wasm", **{"Accept-Encoding": "gzip"})
        check("the program:", headers.get("content-type") == "application/wasm", headers.get("content-type"))
        etags = {get(port, "/notes.txt", **{"Accept-Encoding": a})[1].get("etag") for a in ("br", "gzip", "identity")}
        check("each coding has an ETag of its own:", len(etags) == 3 and None not in etags, str(etags))
        since = get(port, "/notes.txt")[1].get("last-modified")
        check("Last-Modified answered by a 304:", get(port, "/notes.txt", **{"If-Modified-Since": since})[0] == 304)

        # The page rebuilt while served: its stale twins are passed over.
        _, before, _ = get(port, "/notes.txt", **{"Accept-Encoding": "gzip"})
        time.sleep(0.05)
        with open(os.path.join(work, "notes.txt"), "wb") as f:
            f.write(b"rebuilt\n")
        status, headers, body = get(port, "/notes.txt", **{"Accept-Encoding": "gzip", "If-None-Match": before.get("etag", "-")})
        check("a file newer than its twin:", status == 200 and decoded(headers, body) == b"rebuilt\n",
              f"{status} {body[:40]!r}")
        check("a missing file:", get(port, "/nothing.js")[0] == 404)
    finally:
        server.terminate()
        server.wait(timeout=10)
    return problems


if __name__ == "__main__":
    sys.exit(run_check(serve_problems, ["ROOT", "WORK"]))

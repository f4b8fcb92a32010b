#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 as a small static web server should: a file's brotli (NAME.br)
or gzip (NAME.gz) twin when the browser accepts it, with Content-Encoding and Vary, and
validators (ETag, Last-Modified) so that a reload costs a 304 when nothing changed. The twins
are made by scripts/web-serve.sh.

  web-serve.py DIR PORT"""
import email.utils
import http.server
import mimetypes
import os
import sys

TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".ttf": "font/ttf", ".txt": "text/plain; charset=utf-8",
         ".html": "text/html; charset=utf-8", ".png": "image/png"}
TWINS = (("br", ".br"), ("gzip", ".gz"))


def accepted(header):
    """The codings a request's Accept-Encoding allows (q=0 refuses one)."""
    codings = set()
    for part in (header or "").split(","):
        name, _, params = part.strip().partition(";")
        q = params.strip()
        if q.startswith("q="):
            try:
                if float(q[2:]) == 0:
                    continue
            except ValueError:
                continue
        if name:
            codings.add(name.strip().lower())
    return codings


class THandler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path) or path.endswith((".br", ".gz")):
            self.send_error(404, "Not Found")
            return None
        # A twin older than its file (the page rebuilt while served) is passed over.
        twins = [(coding, path + ext) for coding, ext in TWINS
                 if os.path.isfile(path + ext) and os.stat(path + ext).st_mtime_ns >= os.stat(path).st_mtime_ns]
        chosen, coding = path, None
        for name, twin in twins:
            if name in accepted(self.headers.get("Accept-Encoding")):
                chosen, coding = twin, name
                break
        st = os.stat(chosen)
        etag = f'"{st.st_mtime_ns:x}-{st.st_size:x}{"-" + coding if coding else ""}"'
        last_modified = email.utils.formatdate(st.st_mtime, usegmt=True)
        if self.not_modified(etag, st.st_mtime):
            self.send_response(304)
            self.send_validators(etag, last_modified, twins)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return None
        f = open(chosen, "rb")
        self.send_response(200)
        self.send_header("Content-Type", TYPES.get(os.path.splitext(path)[1]) or mimetypes.guess_type(path)[0]
                         or "application/octet-stream")
        if coding:
            self.send_header("Content-Encoding", coding)
        self.send_header("Content-Length", str(st.st_size))
        self.send_validators(etag, last_modified, twins)
        self.end_headers()
        return f

    def not_modified(self, etag, mtime):
        tags = self.headers.get("If-None-Match")
        if tags is not None:
            return any(t.strip().removeprefix("W/") in (etag, "*") for t in tags.split(","))
        since = self.headers.get("If-Modified-Since")
        if since:
            try:
                return int(mtime) <= email.utils.parsedate_to_datetime(since).timestamp()
            except (TypeError, ValueError):
                return False
        return False

    def send_validators(self, etag, last_modified, twins):
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", last_modified)
        # Asked again each time, answered by a 304 while the build is the same.
        self.send_header("Cache-Control", "no-cache")
        if twins:
            self.send_header("Vary", "Accept-Encoding")


def main():
    folder, port = sys.argv[1], int(sys.argv[2])
    handler = lambda *a, **k: THandler(*a, directory=folder, **k)  # noqa: E731
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()

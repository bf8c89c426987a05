"""Serves the browser edition's site on 127.0.0.1 as the README asks a host to: .wasm as
application/wasm and .webp as image/webp, "Cache-Control: no-cache" on every answer (so the
browser asks again for sw.js and index.html and a rebuilt site is picked up on the next visit),
Last-Modified and 304 to a matching If-Modified-Since, the README's security headers, and
.js, .wasm, .css, .html and .webmanifest gzipped for a browser that accepts it.

    serve_site.py <folder> [port] [--port N] [--log FILE] [--no-gzip]

The browser tests start it per run on --port 0 and read --log.
"""

import argparse
import email.utils
import functools
import gzip
import http.server
import io
import json
import os
import sys
import threading
import urllib.parse

GZIPPED = {".html", ".js", ".mjs", ".css", ".wasm", ".webmanifest"}
HEADERS = {"Cache-Control": "no-cache", "X-Content-Type-Options": "nosniff",
           "Referrer-Policy": "no-referrer", "Content-Security-Policy": "frame-ancestors 'none'"}


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # connections kept open, as a real host keeps them
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".mjs": "text/javascript",
                      ".js": "text/javascript", ".webmanifest": "application/manifest+json",
                      ".woff2": "font/woff2", ".webp": "image/webp"}

    def __init__(self, *args, log=None, compress=True, **kwargs):
        self.log, self.compress = log, compress
        super().__init__(*args, **kwargs)

    def end_headers(self):
        for name, value in HEADERS.items():
            self.send_header(name, value)
        super().end_headers()

    def note(self, status, size):
        """One line of the log per answer: method, path, status and the bytes of its body."""
        if self.log:
            self.log(method=self.command, path=urllib.parse.unquote(self.path.split("?")[0]),
                     status=status, bytes=size)

    def send_error(self, code, message=None, explain=None):
        self.note(code, 0)
        super().send_error(code, message, explain)

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            if not self.path.split("?")[0].endswith("/"):
                self.note(301, 0)
                return super().send_head()  # the redirect to the folder's own address
            path = os.path.join(path, "index.html")
        try:
            with open(path, "rb") as file:
                modified, body = int(os.fstat(file.fileno()).st_mtime), file.read()
        except OSError:
            self.send_error(404, "File not found")
            return None
        if self.not_modified_since(modified):
            self.note(304, 0)
            self.send_response(304)
            self.end_headers()
            return None
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Last-Modified", self.date_time_string(modified))
        if self.compress and os.path.splitext(path)[1] in GZIPPED:
            self.send_header("Vary", "Accept-Encoding")
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                body = gzipped(path, modified, body)
                self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.note(200, 0 if self.command == "HEAD" else len(body))
        return io.BytesIO(body)

    def not_modified_since(self, modified):
        since = self.headers.get("If-Modified-Since")
        if not since or "If-None-Match" in self.headers:
            return False
        try:
            return modified <= email.utils.parsedate_to_datetime(since).timestamp()
        except (TypeError, ValueError):
            return False

    def log_message(self, *args):
        pass  # the log above, or none


@functools.lru_cache(maxsize=64)
def gzipped(path, modified, body):
    """The file compressed, once per version of it."""
    return gzip.compress(body, 9, mtime=0)


def json_lines(path):
    """A writer of JSON lines to `path`, one whole line at a time from any thread."""
    out, lock = open(path, "a", encoding="utf-8"), threading.Lock()

    def write(**entry):
        with lock:
            out.write(json.dumps(entry) + "\n")
            out.flush()
    return write


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", help="the folder to serve (build/web/site)")
    parser.add_argument("port_arg", nargs="?", type=int, metavar="port",
                        help="the same as --port")
    parser.add_argument("--port", type=int, default=8000,
                        help="the loopback port (default 8000; 0: a free one)")
    parser.add_argument("--log", metavar="FILE",
                        help="appends one JSON line per answer: method, path, status and bytes "
                             "(of the body sent: 0 for 304, redirects and errors)")
    parser.add_argument("--no-gzip", dest="gzip", action="store_false",
                        help="compress nothing, as a plain static host")
    args = parser.parse_args()
    port = args.port if args.port_arg is None else args.port_arg
    handler = functools.partial(SiteHandler, directory=args.folder, compress=args.gzip,
                                log=json_lines(args.log) if args.log else None)
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        # The address, once it answers: a caller of --port 0 reads the port here.
        print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
        server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())

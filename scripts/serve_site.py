"""Serves the browser edition's site on 127.0.0.1 for a person trying it: as
python3 -m http.server does, with .wasm as application/wasm, and "Cache-Control: no-cache" on
every answer, so the browser asks again for sw.js and index.html and a rebuilt site is
picked up on the next visit.

    serve_site.py <site folder> [port]
"""

import functools
import http.server
import sys


class NoCacheHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".mjs": "text/javascript",
                      ".webmanifest": "application/manifest+json", ".woff2": "font/woff2",
                      ".webp": "image/webp"}

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 8000
    handler = functools.partial(NoCacheHandler, directory=sys.argv[1])
    with http.server.ThreadingHTTPServer(("127.0.0.1", port), handler) as server:
        server.serve_forever()


if __name__ == "__main__":
    main()

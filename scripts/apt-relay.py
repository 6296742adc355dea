#!/usr/bin/env python3
# Serves Debian's security suite as unsigned flat repositories, one per
# architecture (/<arch>/Packages), sending package downloads on to the mirror.
# setup.sh uses it only when the mirror's own index of the suite does not
# match its signed Release, as during a mirror's sync: the packages are still
# checked against the index, the index is taken unchecked.
#   apt-relay.py PORT READY-FILE ARCH...   (READY-FILE appears once it serves)
import http.server, lzma, pathlib, sys, urllib.request

MIRROR = "http://deb.debian.org/debian-security"
SUITE = MIRROR + "/dists/bookworm-security/main/binary-%s/Packages.xz"
port, ready, arches = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
index = {a: lzma.decompress(urllib.request.urlopen(SUITE % a, timeout=60).read()) for a in arches}


class Relay(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        parts = self.path.replace("/./", "/").split("/", 2)  # "", arch, rest
        if len(parts) == 3 and parts[2].startswith("pool/"):
            self.send_response(302)
            self.send_header("Location", MIRROR + "/" + parts[2])
            self.end_headers()
        elif len(parts) == 3 and parts[1] in index and parts[2] == "Packages":
            self.send_response(200)
            self.send_header("Content-Length", str(len(index[parts[1]])))
            self.end_headers()
            self.wfile.write(index[parts[1]])
        else:
            self.send_error(404)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", port), Relay)
pathlib.Path(ready).touch()
server.serve_forever()

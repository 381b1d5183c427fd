"""HTTPS test server for the update check: python3 https_server.py CERT KEY DIR.

Prints its port on the first line, then serves DIR under /files/ and a few misbehaving
addresses: /status/404, /redirect-http, /redirect-https, /slow, /big (10 MB with a length),
/big-unsized (10 MB, no length). Ends when its standard input closes.
"""
import http.server
import os
import ssl
import sys
import threading
import time

cert, key, root = sys.argv[1:4]
BIG = 10 * 1024 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def send_body(self, code, body, length=True):
        self.send_response(code)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass

    def do_GET(self):
        port = self.server.server_address[1]
        if self.path.startswith("/files/"):
            name = os.path.basename(self.path[len("/files/"):])
            path = os.path.join(root, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return self.send_body(200, f.read())
            return self.send_body(404, b"not found")
        if self.path == "/status/404":
            return self.send_body(404, b"not found")
        if self.path in ("/redirect-http", "/redirect-https"):
            scheme = "http" if self.path == "/redirect-http" else "https"
            self.send_response(302)
            self.send_header("Location", "%s://127.0.0.1:%d/files/page.html" % (scheme, port))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path == "/slow":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            time.sleep(30)
            return
        if self.path == "/big":
            return self.send_body(200, b"x" * BIG)
        if self.path == "/big-unsized":
            return self.send_body(200, b"current version 9.9\n" + b"x" * BIG, length=False)
        return self.send_body(404, b"not found")


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
server.socket = ctx.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()

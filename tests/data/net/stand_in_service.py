#!/usr/bin/python3
"""A stand-in for the Ferrolo service, for the network tests.

Makes a test CA and a server certificate for 127.0.0.1/localhost with openssl,
serves HTTPS on 127.0.0.1 at an ephemeral port, answers each request from a
script file the test writes, and records every request it receives, parsed
with the standard library's own parsers (email for multipart bodies,
urllib.parse for URL-encoded bodies and query strings).

A second port serves the same answers with a certificate from the same CA
that is made out for another host name only (other-host.tessarin.test), so a
client that checks host names must refuse it.

Files in --dir: ca.pem (the CA to trust), port_wrong_name (the second port),
port (written last, once both listen), script.json (read on every request),
records.log (appended per request).

script.json maps a route to an answer or a list of answers (used in turn, the
last one repeating). An answer: {"status": 200, "body_hex": "...",
"delay": seconds, "truncate": n}. Routes: connectcheck, login, getkeystatus,
getsrvgenkey, getsrvgenkey2 (with srvkeyhash), regkey, getkey, myfolder,
savefile, finish, transfer. A route without an answer gets 404.

Record lines: space-separated key=hex tokens; "field" and "qs" repeat, their
value is colon-separated hex parts (name:value[:filename:content-type:isfile]).

Stops when its standard input closes, or after --lifetime seconds.
"""

import argparse
import email.parser
import email.policy
import http.server
import json
import os
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

LOCK = threading.Lock()
COUNTERS = {}
STATE = {"script_text": None}


def hx(data):
    if isinstance(data, str):
        data = data.encode("latin-1", "surrogateescape") if _is_latin1(data) else data.encode("utf-8", "surrogateescape")
    return data.hex() if data else "-"


def _is_latin1(text):
    try:
        text.encode("latin-1")
        return True
    except UnicodeEncodeError:
        return False


WRONG_NAME = "other-host.tessarin.test"


def make_certs(folder):
    def run(*args):
        subprocess.run(args, check=True, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def server_cert(name, subject, alt_names):
        run("openssl", "req", *ec, "-keyout", name + ".key", "-out", name + ".csr", "-subj", subject)
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write("subjectAltName=" + alt_names + "\n"
                    "basicConstraints=CA:FALSE\n"
                    "keyUsage=critical,digitalSignature\n"
                    "extendedKeyUsage=serverAuth\n")
        run("openssl", "x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", name + ".pem", "-days", "2", "-extfile", name + ".ext")

    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("openssl", "req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
        "-subj", "/CN=Tessarin Test CA",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    server_cert("server", "/CN=127.0.0.1", "IP:127.0.0.1,DNS:localhost")
    server_cert("wrongname", "/CN=" + WRONG_NAME, "DNS:" + WRONG_NAME)


def route_of(method, path, query, fields):
    q = dict(query)
    if method == "GET":
        if "action_api_common_connectcheck" in q:
            return "connectcheck"
        if "action_api_key_regkey" in q:
            return "regkey"
        if "action_api_key_getkey" in q:
            return "getkey"
        if path.endswith("/api/") and "c" in q:
            if q["c"] == "getsrvgenkey" and "srvkeyhash" in q:
                return "getsrvgenkey2"
            return q["c"]
        return "unknown"
    first = fields[0][0] if fields else b""
    return {
        b"action_api_myfolder_postfile": "myfolder",
        b"action_top_ezsendto2_savefile": "savefile",
        b"action_top_ezsendto2_finish": "finish",
        b"action_api_transfer_nonenc": "transfer",
    }.get(first, "post")


def parse_body(ctype, body):
    """Returns (fields, error): fields are (name, value, filename, ctype, isfile) as bytes."""
    fields = []
    if ctype.startswith("multipart/form-data"):
        msg = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
            b"Content-Type: " + ctype.encode("latin-1") + b"\r\n\r\n" + body)
        if not msg.is_multipart():
            return fields, "not multipart"
        defects = list(msg.defects)
        for part in msg.iter_parts():
            defects += part.defects
            name = part.get_param("name", header="content-disposition") or ""
            filename = part.get_param("filename", header="content-disposition")
            payload = part.get_payload(decode=True) or b""
            enc = lambda s: s.encode("utf-8", "surrogateescape")
            fields.append((enc(name), payload, enc(filename or ""),
                           enc(part.get("content-type", "") or ""), filename is not None))
        return fields, ("defects: " + ",".join(type(d).__name__ for d in defects)) if defects else ""
    if ctype == "application/x-www-form-urlencoded":
        try:
            pairs = urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True,
                                           strict_parsing=bool(body), encoding="latin-1")
        except ValueError as e:
            return fields, str(e)
        for name, value in pairs:
            fields.append((name.encode("latin-1"), value.encode("latin-1"), b"", b"", False))
        return fields, ""
    return fields, "content type " + ctype


def next_answer(script_path, route):
    with LOCK:
        try:
            with open(script_path, encoding="utf-8") as f:
                text = f.read()
        except OSError:
            text = "{}"
        if text != STATE["script_text"]:
            STATE["script_text"] = text
            COUNTERS.clear()
        script = json.loads(text or "{}")
        answers = script.get(route)
        if answers is None:
            return {"status": 404, "body_hex": ""}
        if isinstance(answers, dict):
            return answers
        i = COUNTERS.get(route, 0)
        COUNTERS[route] = i + 1
        return answers[min(i, len(answers) - 1)]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle_any(self, method):
        split = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qsl(split.query, keep_blank_values=True, encoding="latin-1")
        body = b""
        if method == "POST":
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
        ctype = self.headers.get("Content-Type", "")
        fields, error = parse_body(ctype, body) if method == "POST" else ([], "")
        route = route_of(method, split.path, query, fields)
        tokens = ["method=" + hx(method), "target=" + hx(self.path), "route=" + hx(route),
                  "ctype=" + hx(ctype), "agent=" + hx(self.headers.get("User-Agent", "")),
                  "cache=" + hx(self.headers.get("Cache-Control", "")),
                  "body=" + hx(body), "error=" + hx(error)]
        for name, value in query:
            tokens.append("qs=" + hx(name.encode("latin-1")) + ":" + hx(value.encode("latin-1")))
        for name, value, filename, fctype, isfile in fields:
            tokens.append("field=" + ":".join([hx(name), hx(value), hx(filename), hx(fctype),
                                                "1" if isfile else "0"]))
        with LOCK:
            with open(self.server.log_path, "a", encoding="ascii") as f:
                f.write(" ".join(tokens) + "\n")

        answer = next_answer(self.server.script_path, route)
        delay = float(answer.get("delay", 0))
        if delay:
            time.sleep(delay)
        data = bytes.fromhex(answer.get("body_hex", ""))
        try:
            self.send_response(int(answer.get("status", 200)))
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(data)))
            if "truncate" in answer:
                self.send_header("Connection", "close")
            self.end_headers()
            if "truncate" in answer:
                self.wfile.write(data[:int(answer["truncate"])])
                self.wfile.flush()
                self.close_connection = True
            else:
                self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def do_GET(self):
        self.handle_any("GET")

    def do_POST(self):
        self.handle_any("POST")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--lifetime", type=float, default=600)
    args = parser.parse_args()
    folder = args.dir
    make_certs(folder)

    def serve(cert):
        server = Server(("127.0.0.1", 0), Handler)
        server.log_path = os.path.join(folder, "records.log")
        server.script_path = os.path.join(folder, "script.json")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(folder, cert + ".pem"), os.path.join(folder, cert + ".key"))
        server.socket = context.wrap_socket(server.socket, server_side=True)
        return server

    open(os.path.join(folder, "records.log"), "a").close()
    server = serve("server")
    wrong_name = serve("wrongname")
    threading.Thread(target=wrong_name.serve_forever, daemon=True).start()

    def stop_on_eof():
        try:
            while sys.stdin.buffer.read(1024):
                pass
        except OSError:
            pass
        os._exit(0)

    threading.Thread(target=stop_on_eof, daemon=True).start()
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()

    def publish(name, port):
        tmp = os.path.join(folder, name + ".tmp")
        with open(tmp, "w") as f:
            f.write(str(port))
        os.rename(tmp, os.path.join(folder, name))

    publish("port_wrong_name", wrong_name.server_address[1])
    publish("port", server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()

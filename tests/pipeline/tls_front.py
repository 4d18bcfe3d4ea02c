#!/usr/bin/env python3
"""TLS in front of the download tests' own HTTP servers, for the Windows build under Wine.

The Windows test programs have no TLS server library of their own (OpenSSL is not built
for mingw), so their LocalHttpServer serves plain HTTP on 127.0.0.1 and asks this process,
a native program with Python's OpenSSL, to stand in front of it:

  control connection (one per TLS server, plain TCP on 127.0.0.1):
    -> "serve CERT KEY MIN MAX BACKEND\\n"   paths on this machine; versions as OpenSSL
                                           numbers (0x0303 is TLS 1.2), 0 for no limit
    <- "PORT OFFERED\\n"                    the TLS port, and the version a permissive
                                           client got from it (0 when none)
    <- "sni NAME\\n"                        after each handshake, before the request is
                                           passed on to BACKEND
  Closing the control connection ends that TLS server and its connections.

  tls_front.py start STATEFILE   starts the front in the background; STATEFILE gets
                                 "CONTROLPORT PID" once it listens
  tls_front.py stop STATEFILE    ends it

The front ends by itself after an hour, so a test run that dies cannot leave it behind.
"""
import os
import signal
import socket
import ssl
import sys
import threading
import time

LIFETIME_S = 3600


def listen_loopback():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(64)
    return s


def server_context(cert, key, low, high):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    if high and high < 0x0303:  # TLS 1.0 and 1.1 need the old ciphers
        ctx.set_ciphers("DEFAULT:@SECLEVEL=0")
    if low:
        ctx.minimum_version = ssl.TLSVersion(low)
    if high:
        ctx.maximum_version = ssl.TLSVersion(high)
    ctx.load_cert_chain(cert, key)
    return ctx


def offered_version(ctx, listener):
    """The version a client that takes anything gets from this server."""
    client = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
    client.check_hostname = False
    client.verify_mode = ssl.CERT_NONE
    client.set_ciphers("DEFAULT:@SECLEVEL=0")
    client.minimum_version = ssl.TLSVersion.TLSv1
    got = {}

    def serve_one():
        conn, _ = listener.accept()
        conn.settimeout(5)
        try:
            with ctx.wrap_socket(conn, server_side=True):
                pass
        except (ssl.SSLError, OSError):
            conn.close()

    t = threading.Thread(target=serve_one, daemon=True)
    t.start()
    try:
        with socket.create_connection(listener.getsockname(), timeout=5) as raw:
            with client.wrap_socket(raw) as tls:
                got["version"] = {"TLSv1": 0x0301, "TLSv1.1": 0x0302, "TLSv1.2": 0x0303,
                                  "TLSv1.3": 0x0304}.get(tls.version(), 0)
    except (ssl.SSLError, OSError):
        pass
    t.join(5)
    return got.get("version", 0)


class Front:
    """One TLS server, for as long as its control connection is open."""

    def __init__(self, control, cert, key, low, high, backend):
        self.control = control
        self.backend = backend
        self.names = []
        self.lock = threading.Lock()
        self.ctx = server_context(cert, key, low, high)
        self.ctx.sni_callback = self.on_name
        self.listener = listen_loopback()
        offered = offered_version(self.ctx, self.listener)
        self.say("%d %d" % (self.listener.getsockname()[1], offered))
        self.open = []

    def say(self, line):
        with self.lock:
            self.control.sendall((line + "\n").encode())

    def on_name(self, sslobj, name, ctx):
        sslobj.velmora_name = name or ""

    def run(self):
        threading.Thread(target=self.accept_loop, daemon=True).start()
        try:
            while self.control.recv(4096):
                pass
        except OSError:
            pass
        self.listener.close()
        with self.lock:
            for s in self.open:
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def accept_loop(self):
        while True:
            try:
                conn, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.relay, args=(conn,), daemon=True).start()

    def relay(self, conn):
        with self.lock:
            self.open.append(conn)
        try:
            tls = self.ctx.wrap_socket(conn, server_side=True)
        except (ssl.SSLError, OSError):
            conn.close()
            return
        try:
            self.say("sni " + getattr(tls, "velmora_name", ""))
            head = b""
            while b"\r\n\r\n" not in head:
                data = tls.recv(4096)
                if not data:
                    return
                head += data
            with socket.create_connection(("127.0.0.1", self.backend)) as back:
                with self.lock:
                    self.open.append(back)
                back.sendall(head)
                while True:
                    data = back.recv(65536)
                    if not data:
                        break
                    tls.sendall(data)  # fails once the client has gone: the backend sees it
                try:
                    tls.unwrap()
                except (ssl.SSLError, OSError):
                    pass
        except (ssl.SSLError, OSError):
            pass
        finally:
            tls.close()


def control_session(control):
    try:
        line = b""
        while not line.endswith(b"\n"):
            data = control.recv(4096)
            if not data:
                return
            line += data
        words = line.decode().split()
        if len(words) != 6 or words[0] != "serve":
            control.sendall(b"error bad request\n")
            return
        cert, key = words[1], words[2]
        low, high, backend = int(words[3], 0), int(words[4], 0), int(words[5])
        Front(control, cert, key, low, high, backend).run()
    except (ssl.SSLError, OSError, ValueError) as e:
        try:
            control.sendall(("error %s\n" % e).encode())
        except OSError:
            pass
    finally:
        control.close()


def serve(state_file):
    listener = listen_loopback()
    tmp = state_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (listener.getsockname()[1], os.getpid()))
    os.replace(tmp, state_file)
    threading.Timer(LIFETIME_S, lambda: os._exit(0)).start()
    while True:
        control, _ = listener.accept()
        threading.Thread(target=control_session, args=(control,), daemon=True).start()


def start(state_file):
    try:
        os.unlink(state_file)
    except FileNotFoundError:
        pass
    pid = os.fork()
    if pid == 0:
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        try:
            serve(state_file)
        finally:
            os._exit(1)
    for _ in range(100):
        if os.path.exists(state_file):
            return 0
        time.sleep(0.05)
    print("the TLS front did not start", file=sys.stderr)
    return 1


def stop(state_file):
    try:
        with open(state_file) as f:
            pid = int(f.read().split()[1])
        os.kill(pid, signal.SIGTERM)
        os.unlink(state_file)
    except (FileNotFoundError, ProcessLookupError, IndexError, ValueError):
        pass
    return 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        return 2
    return (start if sys.argv[1] == "start" else stop)(sys.argv[2])


if __name__ == "__main__":
    sys.exit(main())

"""The request handling of the local preview server (see run.py)."""

import fcntl
import hmac
import ipaddress
import json
import mimetypes
import os
import queue
import select
import socket
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

API_PREFIX = "/_server/api/"
RESOURCES_PREFIX = "/_server/resources/"
PROJECTS_PREFIX = "/projects/"
EVENTS_PATH = "/_server/events"
CLIENT_PATH = "/_server/client.js"
MAX_BODY = 1 << 20
# The page the application writes into a project for its own preview: the one hidden name served.
PREVIEW_PAGE = ".temp.html"
SECRET_HEADER = "X-Zelvor-Secret"
PROJECT_SUFFIX = ".zelvor"
# A page holds one stream; a few more are kept for reloads whose old stream has not been
# noticed as closed yet. Streams are counted per page, so that one page that opens many takes
# nothing from the other pages of its device; a device holds at most MAX_STREAMS_PER_CLIENT in
# all, well under its connections, so that its pages still load.
MAX_STREAMS_PER_PAGE = 4
MAX_STREAMS_PER_CLIENT = 16
# Connections one address may hold at once; the next ones are closed at once, so that one
# device cannot take every thread of the server.
MAX_CONNECTIONS_PER_CLIENT = 32
# Seconds a connection may stay silent (or stall a write) before it is closed.
CONNECTION_TIMEOUT = 20
# The control socket answers only the application, which sends one request at a time: the
# connections pages open there are answered and closed at once, and one that says nothing is
# closed soon.
MAX_CONTROL_CONNECTIONS = 64
CONTROL_TIMEOUT = 5

# Listens for scripts from the application and runs them in the page. Reconnects by itself.
CLIENT_SCRIPT = b"""(function () {
  if (!window.EventSource || window.__zelvorServerEvents) return;
  var source = new EventSource("/_server/events?page=" + encodeURIComponent(location.pathname));
  window.__zelvorServerEvents = source;
  source.onmessage = function (event) {
    try { (0, eval)(JSON.parse(event.data)); }
    catch (error) { if (window.console) console.error(error); }
  };
})();
"""
CLIENT_TAG = b'<script src="/_server/client.js"></script>'


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def debug(line):
    """A line for whoever debugs the server (ZELVOR_SERVER_DEBUG set), not for the user's log."""
    if os.environ.get("ZELVOR_SERVER_DEBUG"):
        say(line)


class Mounts:
    """Project folders by the identifier of their URL.

    The identifier is keyed with a salt that the application keeps for the user: nobody can
    derive it from a folder's path, and a mirrored phone's address stays the same from one run
    to the next."""

    def __init__(self, salt):
        self._lock = threading.Lock()
        self._folders = {}
        self._salt = salt

    def _ident(self, real):
        return hmac.new(self._salt, real.encode("utf-8", "surrogateescape"), "sha256").hexdigest()[:24]

    def mount(self, path):
        real = os.path.realpath(path)
        ident = self._ident(real)
        with self._lock:
            self._folders[ident] = real
        return PROJECTS_PREFIX + ident + "/"

    def unmount(self, path):
        """Stops serving the folder; answers whether it was served."""
        real = os.path.realpath(path)
        ident = self._ident(real)
        with self._lock:
            if self._folders.get(ident) != real:
                return False
            del self._folders[ident]
            return True

    def folder(self, ident):
        with self._lock:
            return self._folders.get(ident)


class Listeners:
    """The pages connected for scripts, one queue each, a few per page of a client address."""

    def __init__(self):
        self._lock = threading.Lock()
        self._queues = {}

    def add(self, client, page=""):
        """A new queue for the page of the client, or None when the page or the client holds as
        many streams as it may."""
        with self._lock:
            owners = list(self._queues.values())
            if sum(1 for owner in owners if owner[0] == client) >= MAX_STREAMS_PER_CLIENT:
                return None
            if owners.count((client, page)) >= MAX_STREAMS_PER_PAGE:
                return None
            q = queue.Queue()
            self._queues[q] = (client, page)
        return q

    def remove(self, q):
        with self._lock:
            self._queues.pop(q, None)

    def broadcast(self, script):
        with self._lock:
            targets = list(self._queues)
        for q in targets:
            q.put(script)
        return len(targets)


def resolve_inside(root, relative, served_hidden=()):
    """The real path of `relative` under `root`, or None when it would leave the root or name
    a hidden file.

    `relative` is already percent-decoded. Parent steps, absolute parts and symbolic links that
    lead outside are refused, and so is every name that starts with "." on the way there or at
    the end of the links (".git", ".env", backups): those are never served. `served_hidden` names
    the hidden files at the top of the root that are served all the same."""
    if root is None or "\0" in relative:
        return None
    parts = [p for p in relative.split("/") if p not in ("", ".")]
    if any("\\" in p for p in parts):
        return None
    allowed = len(parts) == 1 and parts[0] in served_hidden
    if not allowed and any(p.startswith(".") for p in parts):
        return None
    real_root = os.path.realpath(root)
    candidate = os.path.realpath(os.path.join(real_root, *parts)) if parts else real_root
    if candidate == real_root:
        return candidate
    prefix = real_root.rstrip("/") + "/"
    if not candidate.startswith(prefix):
        return None
    inside = candidate[len(prefix):].split("/")
    if any(p.startswith(".") for p in inside) and not (allowed and inside == parts):
        return None
    return candidate


def is_loopback(address):
    return address.startswith("127.") or address in ("::1", "::ffff:127.0.0.1") or address.startswith("::ffff:127.")


class LocalNames:
    """This machine's own names and addresses: the only hosts a request may name, so that a
    page of another site whose name was pointed at this machine (DNS rebinding) reads nothing."""

    REFRESH_SECONDS = 5.0

    def __init__(self):
        self._lock = threading.Lock()
        self._addresses = set()
        self._names = set()
        self._read_at = None

    @staticmethod
    def _local_table_addresses():
        """Every IPv4 address of this machine, secondary ones too, from the kernel's table of
        local routes."""
        found = set()
        last = None
        with open("/proc/net/fib_trie", encoding="ascii", errors="replace") as table:
            for line in table:
                text = line.strip()
                if text.startswith("|--"):
                    last = text[3:].strip()
                elif text.startswith("/32 host LOCAL") and last:
                    found.add(last)
        return found

    @classmethod
    def _interface_addresses(cls):
        try:
            found = cls._local_table_addresses()
        except OSError:
            found = set()
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            for _, name in socket.if_nameindex():
                request = struct.pack("256s", name.encode("utf-8")[:15])
                try:
                    answer = fcntl.ioctl(probe.fileno(), 0x8915, request)  # SIOCGIFADDR
                except OSError:
                    continue  # no IPv4 address on that interface
                found.add(socket.inet_ntoa(answer[20:24]))
        finally:
            probe.close()
        return found

    def _refresh(self):
        now = time.monotonic()
        if self._read_at is not None and now - self._read_at < self.REFRESH_SECONDS:
            return
        self._read_at = now
        try:
            self._addresses = self._interface_addresses()
        except OSError:
            self._addresses = set()
        host = socket.gethostname().lower().rstrip(".")
        names = {"localhost", host, host + ".local"}
        short = host.split(".")[0]
        names.update({short, short + ".local"})
        self._names = names

    def allows(self, host, local_address):
        """Whether a Host header value (with or without port) names this machine."""
        if not host:
            return False
        host = host.strip().lower()
        if host.startswith("["):
            end = host.find("]")
            if end < 0:
                return False
            address = host[1:end]
        else:
            address = host.rsplit(":", 1)[0] if host.count(":") == 1 else host
        address = address.rstrip(".")
        try:
            ip = ipaddress.ip_address(address)
        except ValueError:
            ip = None
        if ip is not None:
            if ip.is_loopback or address == local_address:
                return True
            with self._lock:
                self._refresh()
                return address in self._addresses
        if address.endswith(".localhost"):
            return True
        with self._lock:
            self._refresh()
            return address in self._names


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZelvorPreview/1"
    # Headers and body go out in separate writes: on a kept-alive connection the body would
    # wait for the client's delayed acknowledgement of the headers (40 ms on every request).
    disable_nagle_algorithm = True
    # A connection that stays silent or does not take what is sent this long is closed.
    timeout = CONNECTION_TIMEOUT

    # -- plumbing ---------------------------------------------------------------------------

    def log_message(self, format, *args):
        say("%s %s" % (self.address_string(), format % args))

    def log_error(self, format, *args):
        # An idle kept-alive connection that the browser leaves open ends in a timeout: normal,
        # and no reason to alarm the user in the log.
        if format.startswith("Request timed out"):
            debug("%s %s" % (self.address_string(), format % args))
            return
        self.log_message(format, *args)

    def send_json(self, status, payload):
        body = json.dumps(payload).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_status(self, status, text):
        body = (text + "\n").encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def url_path(self):
        """The decoded path of the request, or None when it cannot be decoded."""
        raw = urllib.parse.urlsplit(self.path).path
        try:
            return urllib.parse.unquote(raw, errors="strict")
        except UnicodeDecodeError:
            return None

    def host_is_ours(self):
        """Whether the request names this machine; refuses it with an answer when not."""
        try:
            local_address = self.connection.getsockname()[0]
        except OSError:
            local_address = None
        if self.server.local_names.allows(self.headers.get("Host", ""), local_address):
            return True
        self.close_connection = True  # a body that may follow is not read
        self.send_status(403, "Forbidden: unknown host")
        return False

    def has_secret(self):
        given = self.headers.get(SECRET_HEADER, "")
        secret = self.server.secret
        return bool(secret) and hmac.compare_digest(given.encode("utf-8", "surrogateescape"), secret.encode("utf-8"))

    # -- control ----------------------------------------------------------------------------

    def do_POST(self):
        if not self.host_is_ours():
            return
        path = urllib.parse.urlsplit(self.path).path
        # A refusal leaves the body unread: the connection cannot carry another request.
        self.close_connection = True
        if not path.startswith(API_PREFIX):
            return self.send_status(405, "Method not allowed")
        # Only the application knows the secret of this run: the pages it serves share the
        # server's address, so neither the address nor the peer can tell them apart.
        if not is_loopback(self.client_address[0]) or not self.has_secret():
            return self.send_json(403, {"error": "control requests are accepted from the application only"})
        # A JSON content type cannot be sent across origins without a preflight we never
        # answer, so web pages elsewhere cannot drive the server.
        if self.headers.get("Content-Type", "").split(";")[0].strip().lower() != "application/json":
            return self.send_json(415, {"error": "expected an application/json body"})
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            return self.send_json(413, {"error": "body too large"})
        try:
            payload = json.loads(self.rfile.read(length).decode("utf-8") or "null")
        except (ValueError, UnicodeDecodeError):
            return self.send_json(400, {"error": "the body is not JSON"})
        if not isinstance(payload, dict):
            return self.send_json(400, {"error": "the body is not a JSON object"})
        endpoint = path[len(API_PREFIX):]
        if endpoint == "mount":
            return self.api_mount(payload)
        if endpoint == "unmount":
            return self.api_unmount(payload)
        if endpoint == "eval":
            return self.api_eval(payload)
        return self.send_json(404, {"error": "no such endpoint: " + endpoint})

    def api_mount(self, payload):
        folder = payload.get("path")
        if not isinstance(folder, str) or not folder:
            return self.send_json(400, {"error": "mount needs a \"path\""})
        if not os.path.isdir(folder):
            return self.send_json(404, {"error": "no such folder: " + folder})
        name = os.path.basename(os.path.realpath(folder))
        if not name.lower().endswith(PROJECT_SUFFIX) or name.startswith("."):
            return self.send_json(403, {"error": "only project folders (named \u201c\u2026%s\u201d) are served: %s" % (PROJECT_SUFFIX, folder)})
        url = self.server.mounts.mount(folder)
        return self.send_json(200, {"result": {"url": url}})

    def api_unmount(self, payload):
        folder = payload.get("path")
        if not isinstance(folder, str) or not folder:
            return self.send_json(400, {"error": "unmount needs a \"path\""})
        # The folder may be gone already (its project was removed): it is forgotten all the same.
        return self.send_json(200, {"result": {"unmounted": self.server.mounts.unmount(folder)}})

    def api_eval(self, payload):
        script = payload.get("script")
        if not isinstance(script, str):
            return self.send_json(400, {"error": "eval needs a \"script\""})
        count = self.server.listeners.broadcast(script)
        return self.send_json(200, {"result": {"clients": count}})

    # -- files ------------------------------------------------------------------------------

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        if not self.host_is_ours():
            return
        path = self.url_path()
        if path is None:
            return self.send_status(400, "Bad request")
        if path == EVENTS_PATH:
            return self.serve_events()
        if path == CLIENT_PATH:
            return self.serve_bytes(CLIENT_SCRIPT, "application/javascript")
        if path.startswith(API_PREFIX):
            return self.send_status(405, "Method not allowed")
        if path.startswith(RESOURCES_PREFIX):
            root = os.environ.get("BUNDLE_RESOURCE_PATH")
            return self.serve_file(root, path[len(RESOURCES_PREFIX):], inject=False)
        if path.startswith(PROJECTS_PREFIX):
            ident, _, rest = path[len(PROJECTS_PREFIX):].partition("/")
            root = self.server.mounts.folder(ident)
            if root is None:
                return self.send_status(404, "Not found")
            if not rest and not path.endswith("/"):
                return self.redirect(urllib.parse.urlsplit(self.path).path + "/")
            return self.serve_file(root, rest, inject=self.wants_reloader(), served_hidden=(PREVIEW_PAGE,))
        return self.send_status(404, "Not found")

    def wants_reloader(self):
        """Whether the page gets the listener for scripts from the application. The preview in
        the application asks for its page with "reloader=0": the application reloads that page
        itself, and a script meant for the mirrored devices (after a save of one project) must
        not reload the previews of every open project."""
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        return "0" not in query.get("reloader", [])

    def redirect(self, location):
        self.send_response(301)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def serve_bytes(self, body, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def serve_file(self, root, relative, inject, served_hidden=()):
        if not root:
            return self.send_status(404, "Not found")
        target = resolve_inside(root, relative, served_hidden)
        if target is None:
            return self.send_status(403, "Forbidden")
        if os.path.isdir(target):
            if relative and not relative.endswith("/"):
                return self.redirect(urllib.parse.urlsplit(self.path).path + "/")
            # The index page may itself be a link that leads outside.
            target = resolve_inside(root, relative.rstrip("/") + "/index.html")
            if target is None:
                return self.send_status(403, "Forbidden")
        if not os.path.isfile(target):
            return self.send_status(404, "Not found")
        content_type = mimetypes.guess_type(target)[0] or "application/octet-stream"
        if content_type.startswith("text/") or content_type == "application/javascript":
            content_type += "; charset=utf-8"
        try:
            handle = open(target, "rb")
        except OSError:
            return self.send_status(403, "Forbidden")
        with handle:
            if inject and content_type.startswith("text/html"):
                return self.serve_bytes(with_client(handle.read()), content_type)
            size = os.fstat(handle.fileno()).st_size
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(size))
            self.send_header("Cache-Control", "no-store")
            self.end_headers()
            if self.command == "HEAD":
                return
            self.wfile.flush()
            try:
                self.connection.sendfile(handle)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True

    def serve_events(self):
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        page = query.get("page", [""])[0][:512]
        listener = self.server.listeners.add(self.client_address[0], page)
        if listener is None:
            self.close_connection = True
            return self.send_status(429, "Too many event streams")
        if self.command == "HEAD":
            self.server.listeners.remove(listener)
            listener = None
        self.send_response(200)
        self.send_header("Content-Type", "text/event-stream")
        self.send_header("Cache-Control", "no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if listener is None:
            return
        try:
            self.wfile.write(b": connected\n\n")
            self.wfile.flush()
            quiet = 0.0
            while not self.server.stopping:
                try:
                    script = listener.get(timeout=1.0)
                    message = b"data: " + json.dumps(script).encode("utf-8") + b"\n\n"
                    quiet = 0.0
                except queue.Empty:
                    # A page that went away frees its place at once, not at the next write.
                    if self.client_gone():
                        break
                    quiet += 1.0
                    if quiet < 15.0:
                        continue
                    message = b": keep-alive\n\n"
                    quiet = 0.0
                self.wfile.write(message)
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        finally:
            self.server.listeners.remove(listener)

    def client_gone(self):
        try:
            readable, _, _ = select.select([self.connection], [], [], 0)
            return bool(readable) and self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True


def with_client(html):
    """The page with the event listener script, early in its head."""
    lower = html.lower()
    at = lower.find(b"<head")
    if at >= 0:
        end = html.find(b">", at)
        if end >= 0:
            return html[: end + 1] + CLIENT_TAG + html[end + 1:]
    return CLIENT_TAG + html


class ControlHandler(Handler):
    """The control socket: the API of the application and nothing else."""

    timeout = CONTROL_TIMEOUT

    def do_GET(self):
        self.close_connection = True
        self.send_status(404, "Not found")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    max_connections_per_client = MAX_CONNECTIONS_PER_CLIENT

    def __init__(self, sock, secret, salt, handler=Handler, shared=None):
        super().__init__(sock.getsockname(), handler, bind_and_activate=False)
        self.socket.close()
        self.socket = sock
        self.server_address = sock.getsockname()
        # The control server serves the same folders and pages as the server of the pages.
        self.mounts = shared.mounts if shared else Mounts(salt)
        self.listeners = shared.listeners if shared else Listeners()
        self.local_names = shared.local_names if shared else LocalNames()
        self.secret = secret
        self.stopping = False
        self._clients_lock = threading.Lock()
        self._clients = {}

    def process_request(self, request, client_address):
        client = client_address[0]
        with self._clients_lock:
            held = self._clients.get(client, 0)
            if held >= self.max_connections_per_client:
                self.shutdown_request(request)
                return
            self._clients[client] = held + 1
        try:
            super().process_request(request, client_address)
        except Exception:
            self._release(client)
            raise

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self._release(client_address[0])

    def _release(self, client):
        with self._clients_lock:
            held = self._clients.get(client, 0) - 1
            if held > 0:
                self._clients[client] = held
            else:
                self._clients.pop(client, None)


class ControlServer(Server):
    max_connections_per_client = MAX_CONTROL_CONNECTIONS


def serve(sock, secret, salt, timeout=None, control=None):
    """Serves on the socket that run.py opened, until the program ends, and takes control
    requests on `control` too (a loopback socket). Control requests must carry `secret`; `salt`
    (bytes) keys the identifiers of the mounted folders."""
    mimetypes.add_type("application/javascript", ".js")
    mimetypes.add_type("application/javascript", ".coffee")
    mimetypes.add_type("application/json", ".json")
    mimetypes.add_type("image/svg+xml", ".svg")
    if timeout and timeout > 0:
        Handler.timeout = timeout
    server = Server(sock, secret, salt)
    if control is not None:
        control_server = ControlServer(control, secret, salt, ControlHandler, shared=server)
        threading.Thread(target=control_server.serve_forever, kwargs={"poll_interval": 0.25}, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.25)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping = True
        server.server_close()

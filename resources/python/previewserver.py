"""The request handling of the local preview server (see run.py)."""

import hashlib
import json
import mimetypes
import os
import queue
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

API_PREFIX = "/_server/api/"
RESOURCES_PREFIX = "/_server/resources/"
PROJECTS_PREFIX = "/projects/"
EVENTS_PATH = "/_server/events"
CLIENT_PATH = "/_server/client.js"
MAX_BODY = 1 << 20

# Listens for scripts from the application and runs them in the page. Reconnects by itself.
CLIENT_SCRIPT = b"""(function () {
  if (!window.EventSource || window.__zelvorServerEvents) return;
  var source = new EventSource("/_server/events");
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


class Mounts:
    """Project folders by the identifier of their URL."""

    def __init__(self):
        self._lock = threading.Lock()
        self._folders = {}

    @staticmethod
    def _ident(real):
        return hashlib.md5(real.encode("utf-8", "surrogateescape")).hexdigest()[:12]

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
    """The pages connected for scripts, one queue each."""

    def __init__(self):
        self._lock = threading.Lock()
        self._queues = set()

    def add(self):
        q = queue.Queue()
        with self._lock:
            self._queues.add(q)
        return q

    def remove(self, q):
        with self._lock:
            self._queues.discard(q)

    def broadcast(self, script):
        with self._lock:
            targets = list(self._queues)
        for q in targets:
            q.put(script)
        return len(targets)


def resolve_inside(root, relative):
    """The real path of `relative` under `root`, or None when it would leave the root.

    `relative` is already percent-decoded. Parent steps, absolute parts and symbolic links that
    lead outside are refused."""
    if root is None or "\0" in relative:
        return None
    parts = [p for p in relative.split("/") if p not in ("", ".")]
    if any(p == ".." or "\\" in p for p in parts):
        return None
    real_root = os.path.realpath(root)
    candidate = os.path.realpath(os.path.join(real_root, *parts)) if parts else real_root
    if candidate != real_root and not candidate.startswith(real_root.rstrip("/") + "/"):
        return None
    return candidate


def is_loopback(address):
    return address.startswith("127.") or address in ("::1", "::ffff:127.0.0.1") or address.startswith("::ffff:127.")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZelvorPreview/1"
    # Headers and body go out in separate writes: on a kept-alive connection the body would
    # wait for the client's delayed acknowledgement of the headers (40 ms on every request).
    disable_nagle_algorithm = True

    # -- plumbing ---------------------------------------------------------------------------

    def log_message(self, format, *args):
        say("%s %s" % (self.address_string(), format % args))

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

    # -- control ----------------------------------------------------------------------------

    def do_POST(self):
        path = urllib.parse.urlsplit(self.path).path
        if not path.startswith(API_PREFIX):
            return self.send_status(405, "Method not allowed")
        if not is_loopback(self.client_address[0]):
            return self.send_json(403, {"error": "control requests are accepted from this computer only"})
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
            return self.serve_file(root, rest, inject=self.wants_reloader())
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

    def serve_file(self, root, relative, inject):
        if not root:
            return self.send_status(404, "Not found")
        target = resolve_inside(root, relative)
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
        self.send_response(200)
        self.send_header("Content-Type", "text/event-stream")
        self.send_header("Cache-Control", "no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if self.command == "HEAD":
            return
        listener = self.server.listeners.add()
        try:
            self.wfile.write(b": connected\n\n")
            self.wfile.flush()
            while not self.server.stopping:
                try:
                    script = listener.get(timeout=15)
                    message = b"data: " + json.dumps(script).encode("utf-8") + b"\n\n"
                except queue.Empty:
                    message = b": keep-alive\n\n"
                self.wfile.write(message)
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        finally:
            self.server.listeners.remove(listener)


def with_client(html):
    """The page with the event listener script, early in its head."""
    lower = html.lower()
    at = lower.find(b"<head")
    if at >= 0:
        end = html.find(b">", at)
        if end >= 0:
            return html[: end + 1] + CLIENT_TAG + html[end + 1:]
    return CLIENT_TAG + html


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, sock):
        super().__init__(sock.getsockname(), Handler, bind_and_activate=False)
        self.socket.close()
        self.socket = sock
        self.server_address = sock.getsockname()
        self.mounts = Mounts()
        self.listeners = Listeners()
        self.stopping = False


def serve(sock):
    """Serves on the socket that run.py opened, until the program ends."""
    mimetypes.add_type("application/javascript", ".js")
    mimetypes.add_type("application/javascript", ".coffee")
    mimetypes.add_type("application/json", ".json")
    mimetypes.add_type("image/svg+xml", ".svg")
    server = Server(sock)
    try:
        server.serve_forever(poll_interval=0.25)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping = True
        server.server_close()

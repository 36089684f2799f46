"""Uploads a project folder to the share service of Zelvor Studio and prints the public link.

    upload.py --service URL EMAIL PROJECT_FOLDER

The folder is packed into a zip archive under its own name (backups, hidden files and temporary
files left out; symbolic links are never followed out of the folder) and sent with a POST to the
service address, the e-mail address in the query ("?email=..."), as "application/zip". The service
answers {"url": link} or {"error": message}.

Each answer goes to standard output as one JSON line:
    {"action": "done", "url": link}   the upload finished; link is the prototype's address
    {"error": message}                the upload failed; message is meant for the user
Other lines are only notes for the log. Nothing in the project folder is written.
"""

import json
import os
import socket
import stat
import sys
import time
import urllib.parse
import zipfile

# Bigger projects are refused before anything is packed: the service keeps prototypes, not
# archives of whole asset libraries, and a phone has to load them.
MAX_PROJECT_BYTES = 250 * 1000 * 1000
# How long one network operation may stay silent.
SOCKET_TIMEOUT = 25
CHUNK = 1 << 20
# Formats that are compressed already: deflating them again costs time and gains nothing.
STORED_SUFFIXES = {".png", ".jpg", ".jpeg", ".gif", ".webp", ".mp4", ".m4v", ".mov", ".webm",
                   ".mp3", ".m4a", ".aac", ".ogg", ".zip", ".gz", ".woff", ".woff2", ".pdf"}
SKIPPED_SUFFIXES = ("~", ".tmp", ".swp", ".swo", ".part", ".crdownload")


class UploadError(Exception):
    """A failure whose text is shown to the user as it stands."""


def say(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def note(text):
    sys.stdout.write(text.replace("\n", " ") + "\n")
    sys.stdout.flush()


def megabytes(size):
    return "%.0f MB" % (size / 1e6) if size >= 10e6 else "%.1f MB" % (size / 1e6)


def check_email(email):
    """The address goes into the request's query, percent-encoded; line breaks and other control
    characters are refused outright so that nothing odd reaches the service's records."""
    email = email.strip()
    if any(ord(c) < 32 or ord(c) == 127 for c in email):
        raise UploadError("The e-mail address for sharing holds a line break or another control "
                          "character. Correct it in the welcome window's sign-up and share again.")
    if len(email) > 254:
        raise UploadError("The e-mail address for sharing is longer than an address can be.")
    return email


def is_skipped(relative_parts, name):
    if name.startswith("."):
        return True
    if name.endswith(SKIPPED_SUFFIXES):
        return True
    return False


def project_files(root):
    """The files to pack, as (absolute path, path in the archive, size), sorted by archive path.

    Raises UploadError for a file that cannot be read, so that a share never silently lacks part
    of the project."""
    root = os.path.realpath(root)
    top = os.path.basename(root.rstrip(os.sep)) or "Project"
    found = []
    for current, dirs, files in os.walk(root, followlinks=False, onerror=None):
        relative_dir = os.path.relpath(current, root)
        parts = [] if relative_dir == "." else relative_dir.split(os.sep)
        # Backups and hidden folders (".git" and the like) are not part of the prototype.
        kept = []
        for d in sorted(dirs):
            if d.startswith(".") or (parts == ["zelvor"] and d == "backups"):
                continue
            full = os.path.join(current, d)
            if os.path.islink(full):
                continue  # a linked folder may lead anywhere, or round in a circle
            if not os.access(full, os.R_OK | os.X_OK):
                raise UploadError("The folder \u201c%s\u201d of the project cannot be read. "
                                  "Nothing was uploaded." % os.path.join(*parts, d))
            kept.append(d)
        dirs[:] = kept
        for name in sorted(files):
            if is_skipped(parts, name):
                continue
            full = os.path.join(current, name)
            relative = os.path.join(*parts, name) if parts else name
            if os.path.islink(full):
                target = os.path.realpath(full)
                if not (target.startswith(root + os.sep)) or not os.path.isfile(target):
                    note("skipped %s: it links outside the project" % relative)
                    continue
                full = target
            try:
                info = os.stat(full)
            except OSError as error:
                raise UploadError("The file \u201c%s\u201d of the project cannot be read (%s). "
                                  "Nothing was uploaded." % (relative, error.strerror))
            if not stat.S_ISREG(info.st_mode):
                continue  # sockets, pipes and devices hold no content to share
            if not os.access(full, os.R_OK):
                raise UploadError("The file \u201c%s\u201d of the project cannot be read. "
                                  "Nothing was uploaded." % relative)
            found.append((full, top + "/" + relative.replace(os.sep, "/"), info.st_size))
    return found


def pack(root, out):
    """Writes the project's zip archive to the open file `out`; answers (files, bytes read)."""
    files = project_files(root)
    total = sum(size for _, _, size in files)
    if total > MAX_PROJECT_BYTES:
        raise UploadError("The project holds %s of files; sharing takes projects of up to %s. "
                          "Remove large images or videos that the prototype does not use and "
                          "share again." % (megabytes(total), megabytes(MAX_PROJECT_BYTES)))
    with zipfile.ZipFile(out, "w", allowZip64=True) as archive:
        for full, name, _ in files:
            suffix = os.path.splitext(name)[1].lower()
            method = zipfile.ZIP_STORED if suffix in STORED_SUFFIXES else zipfile.ZIP_DEFLATED
            try:
                archive.write(full, name, compress_type=method, compresslevel=6)
            except OSError as error:
                raise UploadError("The file \u201c%s\u201d of the project cannot be read (%s). "
                                  "Nothing was uploaded." % (name.split("/", 1)[1], error.strerror))
    return len(files), total


def is_web_link(text):
    if not isinstance(text, str) or any(c.isspace() for c in text):
        return False
    parsed = urllib.parse.urlsplit(text)
    return parsed.scheme in ("http", "https") and bool(parsed.hostname)


def read_response(stream):
    """Reads one HTTP/1.1 response from a binary file; answers (status, body up to 1 MB)."""
    limit = 1 << 20
    status_line = stream.readline(8192).decode("latin-1")
    parts = status_line.split(" ", 2)
    if len(parts) < 2 or not parts[0].startswith("HTTP/") or not parts[1].isdigit():
        raise UploadError("The share service gave an answer that could not be read.")
    status = int(parts[1])
    headers = {}
    for _ in range(200):
        line = stream.readline(8192).decode("latin-1")
        if line in ("\r\n", "\n", ""):
            break
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    if headers.get("transfer-encoding", "").lower() == "chunked":
        body = b""
        while len(body) < limit:
            size_line = stream.readline(1024).split(b";")[0].strip()
            try:
                size = int(size_line, 16)
            except ValueError:
                raise UploadError("The share service gave an answer that could not be read.")
            if size == 0:
                break
            body += stream.read(size)
            stream.readline(8)
        return status, body[:limit]
    length = headers.get("content-length")
    if length is not None and length.isdigit():
        return status, stream.read(min(int(length), limit))
    return status, stream.read(limit)


def post(parsed, path, archive, size):
    """POSTs the archive over plain or TLS sockets; answers (status, body)."""
    port = parsed.port or (443 if parsed.scheme == "https" else 80)
    connection = socket.create_connection((parsed.hostname, port), timeout=SOCKET_TIMEOUT)
    try:
        if parsed.scheme == "https":
            import ssl  # only where needed: it takes a while to load
            connection = ssl.create_default_context().wrap_socket(connection, server_hostname=parsed.hostname)
        host = parsed.hostname if parsed.port is None else "%s:%d" % (parsed.hostname, parsed.port)
        if ":" in parsed.hostname:
            host = "[%s]" % parsed.hostname if parsed.port is None else "[%s]:%d" % (parsed.hostname, parsed.port)
        head = ("POST %s HTTP/1.1\r\nHost: %s\r\nContent-Type: application/zip\r\nContent-Length: %d\r\n"
                "Accept: application/json\r\nUser-Agent: ZelvorStudio-upload\r\nConnection: close\r\n\r\n"
                % (path, host, size))
        connection.sendall(head.encode("ascii"))
        archive.seek(0)
        while True:
            chunk = archive.read(CHUNK)
            if not chunk:
                break
            connection.sendall(chunk)
        with connection.makefile("rb") as stream:
            return read_response(stream)
    finally:
        connection.close()


def send(service, email, archive, size):
    """POSTs the archive; answers the link the service gave."""
    parsed = urllib.parse.urlsplit(service)
    if parsed.scheme not in ("http", "https") or not parsed.hostname:
        raise UploadError("The share service's address \u201c%s\u201d is not a web address." % service)
    query = urllib.parse.urlencode({"email": email})
    path = urllib.parse.quote(parsed.path or "/", safe="/%:@!$&'()*+,;=-._~")
    path += "?" + (parsed.query + "&" if parsed.query else "") + query
    try:
        status, body = post(parsed, path, archive, size)
    except UploadError:
        raise
    except (OSError, ValueError) as error:
        reason = getattr(error, "strerror", None) or str(error) or type(error).__name__
        raise UploadError("The share service could not be reached (%s)." % reason)

    try:
        answer = json.loads(body.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        answer = None
    message = answer.get("error") if isinstance(answer, dict) else None
    if status >= 300:
        if isinstance(message, str) and message.strip():
            raise UploadError(message.strip())
        raise UploadError("The share service answered with the error %d." % status)
    if not isinstance(answer, dict):
        raise UploadError("The share service gave an answer that could not be read.")
    if isinstance(message, str) and message.strip():
        raise UploadError(message.strip())
    link = answer.get("url")
    if not is_web_link(link):
        raise UploadError("The share service did not answer with a web link.")
    return link


def archive_file():
    """An unnamed temporary file: nothing is left behind, whatever ends the program."""
    folder = os.environ.get("TMPDIR") or "/tmp"
    try:
        return os.fdopen(os.open(folder, os.O_TMPFILE | os.O_RDWR, 0o600), "w+b")
    except (AttributeError, OSError):
        import tempfile
        return tempfile.TemporaryFile(prefix="zelvor-share-")


def upload(service, email, folder):
    if not service:
        raise UploadError("Sharing is not set up in this build of Zelvor Studio.")
    email = check_email(email)
    if not os.path.isdir(folder):
        raise UploadError("The project folder \u201c%s\u201d cannot be found." % folder)
    started = time.monotonic()
    with archive_file() as archive:
        count, total = pack(folder, archive)
        packed = time.monotonic()
        size = archive.tell()
        note("packed %d files (%s) into %s in %.2f s" % (count, megabytes(total), megabytes(size), packed - started))
        link = send(service, email, archive, size)
        note("sent %s in %.2f s" % (megabytes(size), time.monotonic() - packed))
    return link


def main(argv):
    service = ""
    args = list(argv[1:])
    if len(args) >= 2 and args[0] == "--service":
        service = args[1]
        args = args[2:]
    if len(args) != 2:
        say({"error": "The upload program was started without an e-mail address and a project folder."})
        return 2
    email, folder = args
    try:
        say({"action": "done", "url": upload(service, email, folder)})
        return 0
    except UploadError as error:
        say({"error": str(error)})
        return 1
    except Exception as error:  # anything unforeseen still ends with an answer
        say({"error": "The upload failed: %s" % error})
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""The local preview server of Zelvor Studio.

Serves mounted project folders and the application's resource folder over HTTP, so that the
preview and the phones on the same network load the same pages. The application talks to it on
loopback only, and every control request carries the secret of this run, handed over in the
variable ZELVOR_SERVER_SECRET (header "X-Zelvor-Secret"); without it a request is refused. The
variable ZELVOR_SERVER_SALT (hexadecimal) keys the identifiers of the served folders, so that
their addresses stay the same from one run to the next without being guessable from their paths.
Only requests that name this machine in their Host header are answered.

  POST /_server/api/mount {"path": folder}  -> {"result": {"url": "/projects/<id>/"}}
                                               (project folders, named "....zelvor", only)
  POST /_server/api/unmount {"path": folder} -> {"result": {"unmounted": true or false}}
  POST /_server/api/eval  {"script": text}  -> runs the script in every page served (over
                                               server-sent events on /_server/events)

On start it prints {"signal": "ready", "url": "http://127.0.0.1:<port>", "control":
"http://127.0.0.1:<port>"} on standard output. The control address listens on loopback only and
answers nothing but the control requests above: the pages served on the first address cannot
take the connections the application needs (the first address still takes control requests too).
It ends when terminated and when the process PARENT_PROCESS is gone. ZELVOR_SERVER_CONNECTION_TIMEOUT
(seconds) replaces the time a silent connection is kept.
"""

import json
import os
import secrets
import socket
import sys
import threading
import time


def watch_parent(pid):
    """Ends this program when the application that started it is gone."""
    while True:
        time.sleep(0.5)
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            os._exit(0)
        except PermissionError:
            pass


def take_secrets():
    """The secret and the salt, taken out of the environment so that nothing this program
    starts or prints can pass them on."""
    secret = os.environ.pop("ZELVOR_SERVER_SECRET", "")
    try:
        salt = bytes.fromhex(os.environ.pop("ZELVOR_SERVER_SALT", ""))
    except ValueError:
        salt = b""
    # Without a salt the addresses still cannot be guessed; they only change at each run.
    return secret, salt or secrets.token_bytes(32)


def main():
    secret, salt = take_secrets()
    parent = os.environ.get("PARENT_PROCESS", "")
    if parent.isdigit():
        threading.Thread(target=watch_parent, args=(int(parent),), daemon=True).start()

    # Listening comes first and the HTTP machinery is loaded after the ready message: the
    # connections that arrive meanwhile wait in the backlog. Every interface is bound, so that
    # phones on the network can mirror; control requests are taken from loopback only.
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("", 0))
    sock.listen(128)
    control = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    control.bind(("127.0.0.1", 0))
    control.listen(64)
    sys.stdout.write(json.dumps({"signal": "ready", "url": "http://127.0.0.1:%d" % sock.getsockname()[1],
                                 "control": "http://127.0.0.1:%d" % control.getsockname()[1]}) + "\n")
    sys.stdout.flush()

    import previewserver
    try:
        timeout = float(os.environ.get("ZELVOR_SERVER_CONNECTION_TIMEOUT", ""))
    except ValueError:
        timeout = None
    previewserver.serve(sock, secret, salt, timeout, control)


if __name__ == "__main__":
    main()

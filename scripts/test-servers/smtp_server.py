#!/usr/bin/python3
"""A throw-away SMTP server for the tests that delivers into a Maildir, on free loopback ports.

    smtp_server.py start --dir DIR --maildir PATH [--users alice:wonderland,...]
                         [--cert PEM --key PEM] [--reject-rcpt ADDRESS]... [--auth-without-tls]
                         [--watch-pid PID]
    smtp_server.py stop --dir DIR

`start` runs aiosmtpd in a background process (its pid goes into DIR/server.json) with two
listeners on 127.0.0.1: a cleartext one that offers STARTTLS, and one that speaks TLS from
the start (SMTPS). Both offer AUTH PLAIN and LOGIN and check the given users (default
alice:wonderland,bob:builder); on the cleartext listener AUTH is offered and accepted only
after STARTTLS, unless --auth-without-tls is given. A session need not log in to send. Without
--cert and --key it makes a self-signed certificate with the openssl command.

Every accepted message becomes a new file in PATH/new/ (written into tmp/ and renamed): the
DATA as received, without the transparency dots, with CR LF turned into LF. As root, the
file belongs to the owner of the Maildir (Dovecot's test server runs as `nobody`). Each
delivery also appends one JSON line to DIR/envelopes.jsonl, written before the client sees
the 250: mail_from, mail_options, rcpt_tos, auth_user (null without AUTH), helo, tls (after
STARTTLS or on the SMTPS port), listener ("plain" or "tls"), size (bytes in the file) and
file (its name in new/). Text that is not UTF-8 is written as its raw bytes.

--reject-rcpt ADDRESS (repeatable, compared without regard to case) answers RCPT TO for that
address with 550; the other recipients are accepted.

`start` waits until both listeners greet (the TLS one with the reported certificate), then
prints one line of JSON on stdout: plain_port, tls_port, pid, fingerprint_sha1, and more.
On failure the reason and the tail of the server's log go to stderr and the exit status is
non-zero. `stop` ends the server and waits until it is gone. With --watch-pid the server
also ends by itself within about a second once that process has ended, so that a test
program that crashed leaves no server behind.

Only the standard library, Debian's python3-aiosmtpd and the openssl command are used.
"""

import argparse
import hashlib
import json
import logging
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time

READY_TIMEOUT = 15.0
STOP_TIMEOUT = 10.0
WATCH_INTERVAL = 1.0
DEFAULT_USERS = "alice:wonderland,bob:builder"
SERVER_NAME = "localhost"


class Failure(Exception):
    """A reason to give up, with the text shown to the caller."""


# ---------------------------------------------------------------------------
# Paths and the state file


def paths(folder):
    folder = os.path.abspath(folder)
    return {
        "dir": folder,
        "server": os.path.join(folder, "server.json"),
        "log": os.path.join(folder, "smtp-server.log"),
        "envelopes": os.path.join(folder, "envelopes.jsonl"),
        "tls": os.path.join(folder, "tls"),
        "cert": os.path.join(folder, "tls", "cert.pem"),
        "key": os.path.join(folder, "tls", "key.pem"),
    }


def load_server_state(p):
    try:
        with open(p["server"], encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        raise Failure("no server was started in " + p["dir"] + " (no server.json)")


def save_server_state(p, state):
    temporary = p["server"] + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(state, f, indent=1, sort_keys=True)
    os.replace(temporary, p["server"])


def parse_users(text):
    users = {}
    for item in text.split(","):
        if not item:
            continue
        name, colon, password = item.partition(":")
        if not name or not colon:
            raise Failure("--users wants NAME:PASSWORD pairs separated by commas, not %r" % item)
        users[name] = password
    return users


# ---------------------------------------------------------------------------
# Certificate


def sha1_fingerprint(der):
    digest = hashlib.sha1(der).hexdigest().upper()
    return ":".join(digest[i:i + 2] for i in range(0, len(digest), 2))


def fingerprint_of_pem_file(path):
    try:
        with open(path, encoding="ascii") as f:
            return sha1_fingerprint(ssl.PEM_cert_to_DER_cert(f.read()))
    except (OSError, ValueError) as error:
        raise Failure("cannot read the certificate %s: %s" % (path, error))


def make_certificate(p):
    os.makedirs(p["tls"], exist_ok=True)
    command = [
        "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
        "-days", "3650", "-subj", "/CN=" + SERVER_NAME,
        "-addext", "subjectAltName=DNS:" + SERVER_NAME,
        "-keyout", p["key"], "-out", p["cert"],
    ]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, timeout=60)
    except FileNotFoundError:
        raise Failure("the openssl command is not installed")
    if result.returncode != 0:
        raise Failure("openssl could not make the certificate:\n" + result.stderr)
    os.chmod(p["key"], 0o600)
    return p["cert"], p["key"]


def server_tls_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    try:
        context.load_cert_chain(cert, key)
    except (OSError, ssl.SSLError) as error:
        raise Failure("cannot load the certificate %s with the key %s: %s" % (cert, key, error))
    return context


# ---------------------------------------------------------------------------
# Delivery


def prepare_maildir(maildir):
    """Makes the Maildir's folders where missing; returns the owner new files get."""
    os.makedirs(maildir, exist_ok=True)
    owner = os.stat(maildir)
    for sub in ("tmp", "new", "cur"):
        folder = os.path.join(maildir, sub)
        if not os.path.isdir(folder):
            os.mkdir(folder, 0o755)
            if os.geteuid() == 0:
                os.chown(folder, owner.st_uid, owner.st_gid)
    return owner.st_uid, owner.st_gid


class MaildirDelivery:
    """The aiosmtpd handler: checks logins and recipients, writes each message to the Maildir."""

    def __init__(self, maildir, envelopes_file, users, rejected, listener, lock, counter):
        self.maildir = maildir
        self.envelopes_file = envelopes_file
        self.users = users
        self.rejected = rejected
        self.listener = listener
        self.lock = lock
        self.counter = counter
        self.owner = prepare_maildir(maildir)

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        from aiosmtpd.smtp import AuthResult
        user = auth_data.login.decode("utf-8", "surrogateescape")
        password = auth_data.password.decode("utf-8", "surrogateescape")
        if user in self.users and self.users[user] == password:
            return AuthResult(success=True, auth_data=user)
        return AuthResult(success=False, handled=False)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.rejected:
            return "550 5.1.1 <%s>: recipient rejected by the test server" % address
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    def unique_name(self):
        with self.lock:
            self.counter[0] += 1
            number = self.counter[0]
        now = time.time_ns()
        return "%d.M%06dP%dQ%d.tarvox-smtp" % (now // 10**9, now // 1000 % 10**6, os.getpid(),
                                               number)

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content.replace(b"\r\n", b"\n")
        name = self.unique_name()
        temporary = os.path.join(self.maildir, "tmp", name)
        with open(temporary, "wb") as f:
            f.write(content)
        os.chmod(temporary, 0o644)
        if os.geteuid() == 0:
            os.chown(temporary, *self.owner)
        os.rename(temporary, os.path.join(self.maildir, "new", name))
        transport = server.transport
        record = {
            "mail_from": envelope.mail_from,
            "mail_options": envelope.mail_options,
            "rcpt_tos": envelope.rcpt_tos,
            "auth_user": session.auth_data if session.authenticated else None,
            "helo": session.host_name,
            "tls": transport is not None and transport.get_extra_info("ssl_object") is not None,
            "listener": self.listener,
            "size": len(content),
            "file": name,
        }
        line = json.dumps(record, ensure_ascii=False, sort_keys=True) + "\n"
        with self.lock:
            with open(self.envelopes_file, "ab") as f:
                f.write(line.encode("utf-8", "surrogateescape"))
        return "250 OK delivered as " + name


# ---------------------------------------------------------------------------
# The background process


def bound_loopback_socket():
    """A socket bound to a free loopback port; kept open so no other program can take it."""
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind(("127.0.0.1", 0))
    return s


def make_controller_class():
    from aiosmtpd.controller import Controller

    class BoundController(Controller):
        """A Controller that serves on a socket bound beforehand, not on a port it binds."""

        def __init__(self, handler, sock, **kwargs):
            self.bound_socket = sock
            super().__init__(handler, hostname="127.0.0.1", port=sock.getsockname()[1],
                             **kwargs)

        def _create_server(self):
            return self.loop.create_server(self._factory_invoker, sock=self.bound_socket,
                                           ssl=self.ssl_context)

    return BoundController


def serve(p, args, users, sockets, tls_context):
    """Runs in the background process until SIGTERM or SIGINT; never returns."""
    status = 1
    try:
        logging.basicConfig(stream=sys.stderr, level=logging.INFO,
                            format="%(asctime)s %(threadName)s %(levelname)s %(message)s")
        # The controllers' threads inherit the blocked signals; only sigtimedwait below sees them.
        signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
        controller_class = make_controller_class()
        lock = threading.Lock()
        counter = [0]
        rejected = {address.lower() for address in args.reject_rcpt}
        controllers = []
        for listener, sock in zip(("plain", "tls"), sockets):
            handler = MaildirDelivery(os.path.abspath(args.maildir), p["envelopes"], users,
                                      rejected, listener, lock, counter)
            settings = dict(
                server_hostname=SERVER_NAME,
                authenticator=handler.authenticate,
                # aiosmtpd counts only STARTTLS as TLS; the SMTPS listener is
                # encrypted from its first byte.
                auth_require_tls=listener == "plain" and not args.auth_without_tls,
                ready_timeout=READY_TIMEOUT,
            )
            if listener == "plain":
                settings.update(tls_context=tls_context, require_starttls=False)
            else:
                settings.update(ssl_context=tls_context)
            controller = controller_class(handler, sock, **settings)
            controller.start()
            controllers.append(controller)
        sys.stderr.write("smtp_server.py: serving on ports %d and %d\n"
                         % tuple(s.getsockname()[1] for s in sockets))
        sys.stderr.flush()
        while True:
            received = signal.sigtimedwait({signal.SIGTERM, signal.SIGINT}, WATCH_INTERVAL)
            if received is not None:
                sys.stderr.write("smtp_server.py: stopping on signal %d\n" % received.si_signo)
                break
            if args.watch_pid is not None and not alive(args.watch_pid):
                sys.stderr.write("smtp_server.py: stopping, process %d has ended\n"
                                 % args.watch_pid)
                break
        for controller in controllers:
            controller.stop()
        status = 0
    except BaseException as error:  # reported in the log, which start shows
        logging.exception("the server failed: %s", error)
    finally:
        sys.stderr.flush()
        os._exit(status)


def daemonise(p):
    """Forks; in the child, detaches from the caller's session and output. Returns the pid."""
    pid = os.fork()
    if pid != 0:
        return pid
    try:
        os.setsid()
        null = os.open(os.devnull, os.O_RDWR)
        log = os.open(p["log"], os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
        os.dup2(null, 0)
        os.dup2(log, 1)
        os.dup2(log, 2)
        os.close(null)
        os.close(log)
    except BaseException:
        os._exit(1)
    return 0


# ---------------------------------------------------------------------------
# Processes


def process_state(pid):
    """Returns the one-letter state of a process, or None when it does not exist."""
    try:
        with open("/proc/%d/stat" % pid, encoding="ascii", errors="replace") as f:
            text = f.read()
    except (FileNotFoundError, ProcessLookupError):
        return None
    return text[text.rfind(")") + 2:].split()[0]


def alive(pid):
    # A zombie has finished; where nobody reaps it, it would otherwise look alive forever.
    return process_state(pid) not in (None, "Z", "X")


def reap_if_child(pid):
    try:
        os.waitpid(pid, os.WNOHANG)
    except ChildProcessError:
        pass


def stop_process(pid):
    if pid is None or not alive(pid):
        return
    for signal_number in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, signal_number)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + STOP_TIMEOUT
        while time.monotonic() < deadline:
            reap_if_child(pid)
            if not alive(pid):
                return
            time.sleep(0.01)
    raise Failure("the SMTP server (pid %d) did not end" % pid)


def log_tail(p, lines=30):
    try:
        with open(p["log"], encoding="utf-8", errors="replace") as f:
            text = f.read().splitlines()
    except FileNotFoundError:
        return "(the SMTP server wrote no log)"
    if not text:
        return "(the SMTP server's log is empty)"
    return "--- %s (last %d lines)\n" % (p["log"], lines) + "\n".join(text[-lines:])


def read_reply_line(sock):
    data = b""
    while not data.endswith(b"\n"):
        chunk = sock.recv(1)
        if not chunk:
            break
        data += chunk
    return data


def greeting_on(port, use_tls, expected_fingerprint):
    """Connects once and reads the greeting; returns None when it is a proper 220, else why."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
            if not use_tls:
                line = read_reply_line(raw)
                raw.sendall(b"QUIT\r\n")
            else:
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
                context.check_hostname = False
                context.verify_mode = ssl.CERT_NONE
                with context.wrap_socket(raw) as tls:
                    served = sha1_fingerprint(tls.getpeercert(binary_form=True))
                    if served != expected_fingerprint:
                        return "the TLS port serves the certificate " + served
                    line = read_reply_line(tls)
                    tls.sendall(b"QUIT\r\n")
    except (OSError, ssl.SSLError) as error:
        return str(error)
    if not line.startswith(b"220 "):
        return "unexpected greeting %r" % line
    return None


def wait_until_ready(pid, ports, fingerprint):
    deadline = time.monotonic() + READY_TIMEOUT
    waiting = {"plain": (ports[0], False), "TLS": (ports[1], True)}
    reason = "nothing tried"
    while True:
        for name, (port, use_tls) in list(waiting.items()):
            reason = greeting_on(port, use_tls, fingerprint)
            if reason is None:
                del waiting[name]
        if not waiting:
            return
        reap_if_child(pid)
        if not alive(pid):
            raise Failure("the SMTP server ended while starting")
        if time.monotonic() > deadline:
            name = next(iter(waiting))
            raise Failure("the SMTP server did not greet on the %s port %d within %.0f s: %s"
                          % (name, waiting[name][0], READY_TIMEOUT, reason))
        time.sleep(0.05)


# ---------------------------------------------------------------------------
# Commands


def command_start(args):
    p = paths(args.dir)
    users = parse_users(args.users)
    if args.watch_pid is not None and not alive(args.watch_pid):
        raise Failure("the process %d to watch does not exist" % args.watch_pid)
    if (args.cert is None) != (args.key is None):
        raise Failure("--cert and --key go together")
    try:
        import aiosmtpd.controller  # noqa: F401  (fail here, not in the background)
    except ImportError:
        raise Failure("python3-aiosmtpd is not installed for /usr/bin/python3; "
                      "run scripts/install-deps.sh")
    os.makedirs(p["dir"], exist_ok=True)
    if os.path.exists(p["server"]):
        raise Failure("a server was already started in " + p["dir"])
    prepare_maildir(os.path.abspath(args.maildir))
    cert, key = (args.cert, args.key) if args.cert else make_certificate(p)
    fingerprint = fingerprint_of_pem_file(cert)
    tls_context = server_tls_context(cert, key)
    open(p["envelopes"], "ab").close()

    sockets = [bound_loopback_socket(), bound_loopback_socket()]
    ports = [s.getsockname()[1] for s in sockets]
    sys.stdout.flush()
    sys.stderr.flush()
    pid = daemonise(p)
    if pid == 0:
        serve(p, args, users, sockets, tls_context)
    for s in sockets:
        s.close()
    state = {
        "plain_port": ports[0],
        "tls_port": ports[1],
        "pid": pid,
        "fingerprint_sha1": fingerprint,
        "dir": p["dir"],
        "maildir": os.path.abspath(args.maildir),
        "cert_file": os.path.abspath(cert),
        "log_file": p["log"],
        "envelopes_file": p["envelopes"],
        "users": users,
    }
    save_server_state(p, state)
    try:
        wait_until_ready(pid, ports, fingerprint)
    except Failure:
        stop_process(pid)
        raise
    print(json.dumps(state), flush=True)


def command_stop(args):
    p = paths(args.dir)
    stop_process(load_server_state(p).get("pid"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    start = commands.add_parser("start", help="start the server in the background")
    start.add_argument("--dir", required=True)
    start.add_argument("--maildir", required=True)
    start.add_argument("--users", default=DEFAULT_USERS)
    start.add_argument("--cert")
    start.add_argument("--key")
    start.add_argument("--reject-rcpt", action="append", default=[], metavar="ADDRESS")
    start.add_argument("--auth-without-tls", action="store_true")
    start.add_argument("--watch-pid", type=int, metavar="PID")
    start.set_defaults(run=command_start)
    stop = commands.add_parser("stop", help="stop the server started in DIR")
    stop.add_argument("--dir", required=True)
    stop.set_defaults(run=command_stop)
    args = parser.parse_args()
    try:
        args.run(args)
    except Failure as failure:
        sys.stderr.write("smtp_server.py %s: %s\n" % (args.command, failure))
        if args.command != "stop":
            sys.stderr.write(log_tail(paths(args.dir)) + "\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

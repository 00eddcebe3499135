#!/usr/bin/python3
"""A throw-away SMTP server for the tests that delivers into a Maildir, on free loopback ports.

    smtp_server.py start --dir DIR --maildir PATH [--watch-pid PID]
    smtp_server.py stop --dir DIR

`start` runs aiosmtpd in a background process (its pid goes into DIR/server.json) with two
listeners on 127.0.0.1: a cleartext one that offers STARTTLS, and one that speaks TLS from
the start (SMTPS), both with a self-signed certificate for localhost. Both offer AUTH PLAIN
and LOGIN for alice/wonderland and bob/builder; on the cleartext listener only after
STARTTLS. A session need not log in to send.

Every accepted message becomes a new file in PATH/new/ (written into tmp/ and renamed): the
DATA as received, without the transparency dots, with CR LF turned into LF. As root, the
file belongs to the owner of the Maildir (Dovecot's test server runs as `nobody`). Each
delivery also appends a record to DIR/envelopes, written before the client sees the 250:
`key=value` lines ending in an empty line, with mail_from, one rcpt_to per recipient,
auth_user (only after AUTH), tls (1 after STARTTLS or on the SMTPS port, else 0) and file
(its name in new/).

`start` waits until both listeners greet (the TLS one with the reported certificate), then
prints its description (see server_common.py). On failure the reason and the tail of the
server's log go to stderr and the exit status is non-zero. `stop` ends the server and waits
until it is gone. With --watch-pid the server also ends by itself within about a second once
that process has ended, so that a test program that crashed leaves no server behind.

Only the standard library, Debian's python3-aiosmtpd and the openssl command are used.
"""

import argparse
import logging
import os
import signal
import socket
import ssl
import sys
import threading
import time

from server_common import (READY_TIMEOUT, Failure, alive, load_state, make_certificate,
                           print_description, run_command, save_state, stop_processes,
                           wait_until_ready)

WATCH_INTERVAL = 1.0
USERS = {"alice": "wonderland", "bob": "builder"}
SERVER_NAME = "localhost"


def paths(folder):
    folder = os.path.abspath(folder)
    names = {"server": "server.json", "log": "smtp-server.log", "envelopes": "envelopes",
             "cert": "tls/cert.pem", "key": "tls/key.pem"}
    p = {name: os.path.join(folder, path) for name, path in names.items()}
    p["dir"] = folder
    return p


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
    """The aiosmtpd handler: checks logins, writes each message to the Maildir."""

    def __init__(self, maildir, envelopes_file, lock, counter):
        self.maildir = maildir
        self.envelopes_file = envelopes_file
        self.lock = lock
        self.counter = counter
        self.owner = prepare_maildir(maildir)

    def authenticate(self, server, session, envelope, mechanism, auth_data):
        from aiosmtpd.smtp import AuthResult
        user = auth_data.login.decode("utf-8", "surrogateescape")
        password = auth_data.password.decode("utf-8", "surrogateescape")
        if USERS.get(user) == password:
            return AuthResult(success=True, auth_data=user)
        return AuthResult(success=False, handled=False)

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
        tls = transport is not None and transport.get_extra_info("ssl_object") is not None
        lines = ["mail_from=" + envelope.mail_from]
        lines += ["rcpt_to=" + address for address in envelope.rcpt_tos]
        if session.authenticated:
            lines.append("auth_user=" + session.auth_data)
        lines += ["tls=%d" % tls, "file=" + name, "", ""]
        with self.lock:
            with open(self.envelopes_file, "ab") as f:
                f.write("\n".join(lines).encode("utf-8", "surrogateescape"))
        return "250 OK delivered as " + name


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


def serve(p, args, sockets, tls_context):
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
        controllers = []
        for listener, sock in zip(("plain", "tls"), sockets):
            handler = MaildirDelivery(os.path.abspath(args.maildir), p["envelopes"], lock,
                                      counter)
            # aiosmtpd counts only STARTTLS as TLS; the SMTPS listener is encrypted from its
            # first byte.
            settings = dict(server_hostname=SERVER_NAME, authenticator=handler.authenticate,
                            auth_require_tls=listener == "plain", ready_timeout=READY_TIMEOUT)
            if listener == "plain":
                settings.update(tls_context=tls_context, require_starttls=False)
            else:
                settings.update(ssl_context=tls_context)
            controller = controller_class(handler, sock, **settings)
            controller.start()
            controllers.append(controller)
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


def command_start(args):
    p = paths(args.dir)
    if args.watch_pid is not None and not alive(args.watch_pid):
        raise Failure("the process %d to watch does not exist" % args.watch_pid)
    try:
        import aiosmtpd.controller  # noqa: F401  (fail here, not in the background)
    except ImportError:
        raise Failure("python3-aiosmtpd is not installed for /usr/bin/python3; "
                      "run scripts/install-deps.sh")
    os.makedirs(p["dir"], exist_ok=True)
    if os.path.exists(p["server"]):
        raise Failure("a server was already started in " + p["dir"])
    prepare_maildir(os.path.abspath(args.maildir))
    fingerprint = make_certificate(p["cert"], p["key"], SERVER_NAME)
    tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls_context.load_cert_chain(p["cert"], p["key"])
    open(p["envelopes"], "ab").close()

    # Bound before the fork and kept open, so no other program can take the ports.
    sockets = [socket.socket(socket.AF_INET, socket.SOCK_STREAM) for _ in range(2)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    sys.stdout.flush()
    sys.stderr.flush()
    pid = daemonise(p)
    if pid == 0:
        serve(p, args, sockets, tls_context)
    for s in sockets:
        s.close()
    state = {"plain_port": ports[0], "tls_port": ports[1], "pid": pid,
             "fingerprint_sha1": fingerprint, "dir": p["dir"],
             "maildir": os.path.abspath(args.maildir), "cert_file": p["cert"],
             "log_file": p["log"], "envelopes_file": p["envelopes"]}
    save_state(p["server"], state)
    try:
        wait_until_ready(pid, ports, fingerprint, b"220 ", b"QUIT\r\n")
    except Failure:
        stop_processes([pid])
        raise
    print_description(state)


def command_stop(args):
    stop_processes([load_state(paths(args.dir)["server"]).get("pid")])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    start = commands.add_parser("start", help="start the server in the background")
    start.add_argument("--dir", required=True)
    start.add_argument("--maildir", required=True)
    start.add_argument("--watch-pid", type=int, metavar="PID")
    start.set_defaults(run=command_start)
    stop = commands.add_parser("stop", help="stop the server started in DIR")
    stop.add_argument("--dir", required=True)
    stop.set_defaults(run=command_stop)
    return run_command(parser, "smtp_server.py", lambda folder: [paths(folder)["log"]])


if __name__ == "__main__":
    sys.exit(main())

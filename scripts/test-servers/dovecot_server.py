#!/usr/bin/python3
"""A throw-away Dovecot POP3 server for the tests, on free loopback ports.

    dovecot_server.py start --dir DIR [--messages N] [--cert-cn NAME]
    dovecot_server.py stop --dir DIR
    dovecot_server.py restart-with-new-certificate --dir DIR [--cert-cn NAME]

`start` writes everything into DIR (a fresh folder that the caller owns and later removes):
the configuration, a passwd-file with {PLAIN} passwords (so APOP works) for alice/wonderland
and bob/builder, a Maildir per user (N sample messages for alice, none for bob), a
self-signed certificate, and Dovecot's run, state and log files. It waits until both
listeners greet, then prints one line of JSON on stdout and leaves Dovecot running in the
background. Listeners are on 127.0.0.1 only: a cleartext one that offers STLS and one that
speaks TLS from the start.

`restart-with-new-certificate` stops the server, makes a new key and certificate and starts
it again on the same ports; it prints the same kind of JSON line with the new fingerprint.

`stop` ends that Dovecot and waits until all its processes are gone.

Run as root, Dovecot's processes and the mail files belong to `nobody`; run as an ordinary
user, everything runs as that user. On failure the reason and the tail of Dovecot's log go
to stderr and the exit status is non-zero.

Only the standard library and the `openssl` command line are used.
"""

import argparse
import base64
import grp
import hashlib
import json
import os
import pwd
import signal
import socket
import ssl
import subprocess
import sys
import time

USERS = {"alice": "wonderland", "bob": "builder"}
DOVECOT_CANDIDATES = ("/usr/sbin/dovecot", "/usr/local/sbin/dovecot")
DEBIAN_DH_PARAMETERS = "/usr/share/dovecot/dh.pem"
START_ATTEMPTS = 5
READY_TIMEOUT = 15.0
STOP_TIMEOUT = 10.0
# Unix sockets live under base_dir; their paths must fit in sun_path (108 bytes).
LONGEST_SOCKET_SUFFIX = len("/run/login/tokenlogin/pop3-login")
SUN_PATH_MAX = 107


class Failure(Exception):
    """A reason to give up, with the text shown to the caller."""


# ---------------------------------------------------------------------------
# Paths and the state file


def paths(folder):
    folder = os.path.abspath(folder)
    return {
        "dir": folder,
        "conf": os.path.join(folder, "dovecot.conf"),
        "passwd": os.path.join(folder, "passwd"),
        "run": os.path.join(folder, "run"),
        "state": os.path.join(folder, "state"),
        "log": os.path.join(folder, "dovecot.log"),
        "stderr": os.path.join(folder, "dovecot-start.err"),
        "tls": os.path.join(folder, "tls"),
        "cert": os.path.join(folder, "tls", "cert.pem"),
        "key": os.path.join(folder, "tls", "key.pem"),
        "mail": os.path.join(folder, "mail"),
        "server": os.path.join(folder, "server.json"),
    }


def maildir_of(p, user):
    return os.path.join(p["mail"], user, "Maildir")


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


# ---------------------------------------------------------------------------
# Who Dovecot runs as


def identity():
    """Returns the user and group that Dovecot's processes and the mail belong to."""
    if os.geteuid() == 0:
        user = pwd.getpwnam("nobody")
        group = grp.getgrgid(user.pw_gid)
    else:
        user = pwd.getpwuid(os.geteuid())
        group = grp.getgrgid(os.getegid())
    return {
        "root": os.geteuid() == 0,
        "user": user.pw_name,
        "uid": user.pw_uid,
        "group": group.gr_name,
        "gid": group.gr_gid,
    }


def check_reachable_by(folder, who):
    """As root, `nobody` must be able to walk down to the folder."""
    if not who["root"]:
        return
    current = folder
    while True:
        mode = os.stat(current).st_mode
        if not mode & 0o001:
            raise Failure(
                "%s is not searchable by others, so Dovecot's processes (running as %s) "
                "cannot reach %s; use a temporary folder under /tmp"
                % (current, who["user"], folder))
        parent = os.path.dirname(current)
        if parent == current:
            return
        current = parent


# ---------------------------------------------------------------------------
# Certificate


def make_certificate(p, common_name):
    os.makedirs(p["tls"], exist_ok=True)
    for name in ("cert", "key"):
        if os.path.exists(p[name]):
            os.unlink(p[name])
    command = [
        "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
        "-days", "3650", "-subj", "/CN=" + common_name,
        "-addext", "subjectAltName=DNS:" + common_name,
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
    os.chmod(p["cert"], 0o644)
    return fingerprint_of_pem_file(p["cert"])


def sha1_fingerprint(der):
    digest = hashlib.sha1(der).hexdigest().upper()
    return ":".join(digest[i:i + 2] for i in range(0, len(digest), 2))


def fingerprint_of_pem_file(path):
    with open(path, encoding="ascii") as f:
        return sha1_fingerprint(ssl.PEM_cert_to_DER_cert(f.read()))


# ---------------------------------------------------------------------------
# Sample messages

SAMPLE_BASE_TIME = 1704103200  # 2024-01-01 10:00:00 UTC
LONG_MESSAGE_BYTES = 300 * 1024


def rfc2822_date(index):
    stamp = time.gmtime(SAMPLE_BASE_TIME + index * 3600)
    return time.strftime("%a, %d %b %Y %H:%M:%S +0000", stamp)


def headers(index, subject, extra=()):
    lines = [
        "Return-Path: <sender%d@example.test>" % index,
        "From: Sender %d <sender%d@example.test>" % (index, index),
        "To: Alice <alice@example.test>",
        "Subject: " + subject,
        "Date: " + rfc2822_date(index),
        "Message-ID: <tarvox-sample-%d@example.test>" % index,
        "MIME-Version: 1.0",
    ]
    lines.extend(extra)
    return "\n".join(lines) + "\n\n"


def plain_message(index):
    body = (
        "Hello Alice,\n"
        "\n"
        "this is sample message number %d, plain US-ASCII text.\n"
        "It has a few short lines and ends with a signature.\n"
        "\n"
        "-- \n"
        "Sender %d\n" % (index, index)
    )
    return headers(index, "Plain text sample %d" % index,
                   ["Content-Type: text/plain; charset=us-ascii",
                    "Content-Transfer-Encoding: 7bit"]) + body


def dotted_message(index):
    body = (
        "Lines that begin with a dot must be dot-stuffed on the wire:\n"
        ".\n"
        "..\n"
        ".hidden file name\n"
        "...three dots\n"
        " . a space before the dot\n"
        "\n"
        ".\n"
        "The line above is a lone dot too; the next line is the last one.\n"
        "."
    )
    return headers(index, "Dot-stuffing sample %d" % index,
                   ["Content-Type: text/plain; charset=us-ascii"]) + body + "\n"


def quoted_printable_message(index):
    body = (
        "Bonjour Alice,=0A\n"
        "voil=E0 un message en ISO-8859-1 : caf=E9, na=EFve, gar=E7on, =C0 bient=F4t.\n"
        "Une tr=E8s longue ligne qui d=E9passe soixante-seize caract=E8res est coup=\n"
        "=E9e par un saut de ligne doux, et un signe =3D se code ainsi.\n"
        "Espace en fin de ligne=20\n"
        "Fin du message %d.\n" % index
    )
    return headers(index, "=?ISO-8859-1?Q?Caf=E9_quoted-printable_sample_%d?=" % index,
                   ["Content-Type: text/plain; charset=ISO-8859-1",
                    "Content-Transfer-Encoding: quoted-printable"]) + body


def attachment_bytes(index):
    # Every byte value, then a pattern that depends on the index.
    data = bytes(range(256)) + bytes((i * 7 + index) % 256 for i in range(1700))
    return data


def base64_lines(data):
    text = base64.b64encode(data).decode("ascii")
    return "\n".join(text[i:i + 76] for i in range(0, len(text), 76)) + "\n"


def multipart_message(index):
    boundary = "=_tarvox_boundary_%d" % index
    body = (
        "This is a multi-part message in MIME format.\n"
        "\n"
        "--%(b)s\n"
        "Content-Type: text/plain; charset=us-ascii\n"
        "Content-Transfer-Encoding: 7bit\n"
        "\n"
        "Alice, the data file is attached.\n"
        "\n"
        "--%(b)s\n"
        "Content-Type: application/octet-stream; name=\"sample-%(i)d.bin\"\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment; filename=\"sample-%(i)d.bin\"\n"
        "\n"
        "%(data)s"
        "\n"
        "--%(b)s--\n"
    ) % {"b": boundary, "i": index, "data": base64_lines(attachment_bytes(index))}
    return headers(index, "Multipart sample %d with an attachment" % index,
                   ['Content-Type: multipart/mixed; boundary="%s"' % boundary]) + body


def long_message(index):
    head = headers(index, "Long sample %d (about 300 KB)" % index,
                   ["Content-Type: text/plain; charset=us-ascii"])
    lines = []
    size = len(head)
    number = 0
    while size < LONG_MESSAGE_BYTES:
        number += 1
        line = "%06d the quick brown fox jumps over the lazy dog, message %d, line %d." % (
            number, index, number)
        lines.append(line)
        size += len(line) + 1
    return head + "\n".join(lines) + "\n"


SAMPLE_KINDS = (plain_message, dotted_message, quoted_printable_message, multipart_message,
                long_message)


def sample_message(index):
    """Message number `index` (1-based); the kinds repeat every five messages."""
    return SAMPLE_KINDS[(index - 1) % len(SAMPLE_KINDS)](index)


def maildir_file_name(index):
    # Dovecot numbers new mail by the time in the name, then by the rest of it.
    return "%d.M%06dP1000.tarvox-test" % (SAMPLE_BASE_TIME + index * 60, index)


def make_mailboxes(p, who, message_count):
    for user in USERS:
        maildir = maildir_of(p, user)
        for sub in ("new", "cur", "tmp"):
            os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    new_folder = os.path.join(maildir_of(p, "alice"), "new")
    for index in range(1, message_count + 1):
        path = os.path.join(new_folder, maildir_file_name(index))
        with open(path, "wb") as f:
            f.write(sample_message(index).encode("ascii"))
        os.chmod(path, 0o644)
    if who["root"]:
        for top, folders, files in os.walk(p["mail"]):
            os.chown(top, who["uid"], who["gid"])
            for name in files:
                os.chown(os.path.join(top, name), who["uid"], who["gid"])


# ---------------------------------------------------------------------------
# Configuration


def write_passwd(p):
    with open(p["passwd"], "w", encoding="ascii") as f:
        for user, password in USERS.items():
            f.write("%s:{PLAIN}%s::::::\n" % (user, password))
    os.chmod(p["passwd"], 0o644)


def write_config(p, who, plain_port, tls_port):
    lines = [
        "# Throw-away Dovecot for the Tarvox tests, written by dovecot_server.py.",
        "protocols = pop3",
        "listen = 127.0.0.1",
        "base_dir = " + p["run"],
        "state_dir = " + p["state"],
        "log_path = " + p["log"],
        "info_log_path = " + p["log"],
        "debug_log_path = " + p["log"],
        "auth_verbose = yes",
        "",
        "default_login_user = " + who["user"],
        "default_internal_user = " + who["user"],
        "default_internal_group = " + who["group"],
        "first_valid_uid = %d" % min(who["uid"], 500),
        "first_valid_gid = %d" % min(who["gid"], 1),
        "",
        "ssl = yes",
        "ssl_cert = <" + p["cert"],
        "ssl_key = <" + p["key"],
    ]
    if os.path.exists(DEBIAN_DH_PARAMETERS):
        lines.append("ssl_dh = <" + DEBIAN_DH_PARAMETERS)
    lines += [
        "",
        "# USER/PASS and AUTH PLAIN on the cleartext port too; APOP needs the plain",
        "# password from the passdb, hence {PLAIN} in the passwd-file.",
        "disable_plaintext_auth = no",
        "auth_mechanisms = plain apop",
        "passdb {",
        "  driver = passwd-file",
        "  args = " + p["passwd"],
        "}",
        "userdb {",
        "  driver = static",
        "  args = uid=%d gid=%d home=%s/%%u" % (who["uid"], who["gid"], p["mail"]),
        "}",
        "mail_location = maildir:~/Maildir",
        "",
        "service pop3-login {",
        "  inet_listener pop3 {",
        "    address = 127.0.0.1",
        "    port = %d" % plain_port,
        "  }",
        "  inet_listener pop3s {",
        "    address = 127.0.0.1",
        "    port = %d" % tls_port,
        "    ssl = yes",
        "  }",
    ]
    if not who["root"]:
        lines.append("  chroot =")
    lines.append("}")
    if not who["root"]:
        # An ordinary user can neither chroot nor change to another user.
        lines += [
            "service anvil {",
            "  chroot =",
            "}",
            "service auth-worker {",
            "  user = $default_internal_user",
            "}",
        ]
    lines += [
        "protocol pop3 {",
        "  pop3_uidl_format = %08Xu%08Xv",
        "}",
        "",
    ]
    with open(p["conf"], "w", encoding="ascii") as f:
        f.write("\n".join(lines))
    os.chmod(p["conf"], 0o644)


# ---------------------------------------------------------------------------
# Processes


def find_dovecot():
    for candidate in DOVECOT_CANDIDATES:
        if os.access(candidate, os.X_OK):
            return candidate
    raise Failure("Dovecot is not installed (no %s); run scripts/install-deps.sh"
                  % " or ".join(DOVECOT_CANDIDATES))


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


def children_of(pid):
    """The process and all its descendants that are alive now."""
    parents = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name, encoding="ascii", errors="replace") as f:
                text = f.read()
        except OSError:
            continue
        fields = text[text.rfind(")") + 2:].split()
        parents.setdefault(int(fields[1]), []).append(int(name))
    found = []
    pending = [pid]
    while pending:
        current = pending.pop()
        for child in parents.get(current, ()):
            if child not in found:
                found.append(child)
                pending.append(child)
    return found


def read_master_pid(p):
    try:
        with open(os.path.join(p["run"], "master.pid"), encoding="ascii") as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def kill_quietly(pid, signal_number):
    try:
        os.kill(pid, signal_number)
    except ProcessLookupError:
        pass


def stop_master(pid):
    """Ends Dovecot's master process and every process below it; waits until all are gone."""
    if pid is None or not alive(pid):
        return
    processes = set(children_of(pid))
    everything = lambda: [pid] + sorted(processes)

    def wait_for_all(seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if alive(pid):
                processes.update(children_of(pid))
            if not any(alive(other) for other in everything()):
                return True
            time.sleep(0.01)
        return False

    # Told alone, the master ends its services at once but then takes about a second to
    # reap its log process; told together, all are gone within milliseconds. Only the
    # master's own last log line is lost.
    for other in everything():
        kill_quietly(other, signal.SIGTERM)
    if wait_for_all(STOP_TIMEOUT):
        return
    for other in everything():
        if alive(other):
            kill_quietly(other, signal.SIGKILL)
    if not wait_for_all(STOP_TIMEOUT):
        raise Failure("Dovecot (pid %d) did not end" % pid)


def log_tail(p, lines=30):
    parts = []
    for name in ("stderr", "log"):
        try:
            with open(p[name], encoding="utf-8", errors="replace") as f:
                text = f.read().splitlines()
        except FileNotFoundError:
            continue
        if text:
            parts.append("--- %s (last %d lines)\n" % (p[name], lines) + "\n".join(text[-lines:]))
    return "\n".join(parts) if parts else "(Dovecot wrote no log)"


def free_port_pair():
    """Two distinct free loopback ports, found by binding port 0."""
    sockets = []
    try:
        for _ in range(2):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.bind(("127.0.0.1", 0))
            sockets.append(s)
        return tuple(s.getsockname()[1] for s in sockets)
    finally:
        for s in sockets:
            s.close()


def read_line(sock):
    data = b""
    while not data.endswith(b"\n"):
        chunk = sock.recv(1)
        if not chunk:
            break
        data += chunk
    return data


def greeting_on(port, use_tls, expected_fingerprint):
    """Connects once and reads the greeting; returns None when it is a proper +OK, else why."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
            if not use_tls:
                line = read_line(raw)
            else:
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
                context.check_hostname = False
                context.verify_mode = ssl.CERT_NONE
                with context.wrap_socket(raw) as tls:
                    served = sha1_fingerprint(tls.getpeercert(binary_form=True))
                    if served != expected_fingerprint:
                        return "the TLS port serves the certificate " + served
                    line = read_line(tls)
    except (OSError, ssl.SSLError) as error:
        return str(error)
    if not line.startswith(b"+OK"):
        return "unexpected greeting %r" % line
    return None


def wait_until_ready(p, master_pid, ports, fingerprint):
    deadline = time.monotonic() + READY_TIMEOUT
    waiting = {"plain": (ports[0], False), "tls": (ports[1], True)}
    reason = "nothing tried"
    while waiting:
        if not alive(master_pid):
            raise Failure("Dovecot ended while starting")
        for name, (port, use_tls) in list(waiting.items()):
            reason = greeting_on(port, use_tls, fingerprint)
            if reason is None:
                del waiting[name]
        if not waiting:
            return
        if time.monotonic() > deadline:
            raise Failure("Dovecot did not greet on the %s port %d within %.0f s: %s"
                          % (next(iter(waiting)), waiting[next(iter(waiting))][0],
                             READY_TIMEOUT, reason))
        time.sleep(0.05)


def launch(p):
    """Starts Dovecot on the ports in the configuration; returns the master's pid.

    Returns None when a port was taken meanwhile (the caller picks others)."""
    dovecot = find_dovecot()
    for stale in (os.path.join(p["run"], "master.pid"), p["stderr"]):
        if os.path.exists(stale):
            os.unlink(stale)
    log_size = os.path.getsize(p["log"]) if os.path.exists(p["log"]) else 0
    with open(p["stderr"], "wb") as err:
        # Dovecot forks into the background itself; our stdout must not reach it, or a caller
        # reading it would wait for Dovecot to end.
        result = subprocess.run([dovecot, "-c", p["conf"]], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=err, close_fds=True,
                                timeout=60)
    if result.returncode != 0:
        text = ""
        for name in ("stderr", "log"):
            if os.path.exists(p[name]):
                with open(p[name], encoding="utf-8", errors="replace") as f:
                    if name == "log":
                        f.seek(log_size)
                    text += f.read()
        if "Address already in use" in text:
            return None
        raise Failure("dovecot exited with status %d" % result.returncode)
    deadline = time.monotonic() + READY_TIMEOUT
    while True:
        pid = read_master_pid(p)
        if pid is not None and alive(pid):
            return pid
        if time.monotonic() > deadline:
            raise Failure("Dovecot wrote no master.pid")
        time.sleep(0.02)


def describe(p, state):
    return {
        "plain_port": state["plain_port"],
        "tls_port": state["tls_port"],
        "pid": state["pid"],
        "dir": p["dir"],
        "users": dict(USERS),
        "maildir": {user: maildir_of(p, user) for user in USERS},
        "fingerprint_sha1": state["fingerprint_sha1"],
        "cert_file": p["cert"],
        "log_file": p["log"],
        "messages": state["messages"],
    }


def run_server(p, who, state, keep_ports):
    """Starts Dovecot (on the remembered ports when keep_ports) and waits until it greets."""
    attempts = 1 if keep_ports else START_ATTEMPTS
    for _ in range(attempts):
        if not keep_ports:
            state["plain_port"], state["tls_port"] = free_port_pair()
        write_config(p, who, state["plain_port"], state["tls_port"])
        pid = launch(p)
        if pid is None:
            continue
        state["pid"] = pid
        save_server_state(p, state)
        try:
            wait_until_ready(p, pid, (state["plain_port"], state["tls_port"]),
                             state["fingerprint_sha1"])
        except Failure:
            stop_master(pid)
            raise
        return
    raise Failure("the ports %d and %d were taken by another program"
                  % (state["plain_port"], state["tls_port"]) if keep_ports else
                  "no free pair of ports after %d attempts" % attempts)


# ---------------------------------------------------------------------------
# Commands


def command_start(args):
    p = paths(args.dir)
    if args.messages < 0:
        raise Failure("--messages must not be negative")
    if len(p["dir"]) + LONGEST_SOCKET_SUFFIX > SUN_PATH_MAX:
        raise Failure("the folder path is too long for Dovecot's unix sockets: " + p["dir"])
    os.makedirs(p["dir"], exist_ok=True)
    if os.path.exists(p["server"]):
        raise Failure("a server was already started in " + p["dir"])
    who = identity()
    if who["root"]:
        os.chmod(p["dir"], 0o755)
    check_reachable_by(p["dir"], who)
    for folder in ("run", "state"):
        os.makedirs(p[folder], exist_ok=True)
    write_passwd(p)
    make_mailboxes(p, who, args.messages)
    state = {
        "fingerprint_sha1": make_certificate(p, args.cert_cn),
        "cert_cn": args.cert_cn,
        "messages": args.messages,
    }
    run_server(p, who, state, keep_ports=False)
    print(json.dumps(describe(p, state)), flush=True)


def command_stop(args):
    p = paths(args.dir)
    state = load_server_state(p)
    stop_master(state.get("pid"))
    # A master started by hand after a failed start is stopped too.
    stop_master(read_master_pid(p))


def command_restart(args):
    p = paths(args.dir)
    state = load_server_state(p)
    who = identity()
    stop_master(state.get("pid"))
    old = state["fingerprint_sha1"]
    if args.cert_cn is not None:
        state["cert_cn"] = args.cert_cn
    state["fingerprint_sha1"] = make_certificate(p, state["cert_cn"])
    if state["fingerprint_sha1"] == old:
        raise Failure("the new certificate has the old fingerprint")
    run_server(p, who, state, keep_ports=True)
    print(json.dumps(describe(p, state)), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    start = commands.add_parser("start", help="write a configuration and start Dovecot")
    start.add_argument("--dir", required=True)
    start.add_argument("--messages", type=int, default=5)
    start.add_argument("--cert-cn", default="localhost")
    start.set_defaults(run=command_start)
    stop = commands.add_parser("stop", help="stop the Dovecot started in DIR")
    stop.add_argument("--dir", required=True)
    stop.set_defaults(run=command_stop)
    restart = commands.add_parser("restart-with-new-certificate",
                                  help="stop, make a new certificate, start on the same ports")
    restart.add_argument("--dir", required=True)
    restart.add_argument("--cert-cn", default=None)
    restart.set_defaults(run=command_restart)
    args = parser.parse_args()
    try:
        args.run(args)
    except Failure as failure:
        sys.stderr.write("dovecot_server.py %s: %s\n" % (args.command, failure))
        if args.command != "stop":
            sys.stderr.write(log_tail(paths(args.dir)) + "\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""A throw-away Dovecot POP3 server for the tests, on free loopback ports.

    dovecot_server.py start --dir DIR [--messages N] [--cert-cn NAME]
    dovecot_server.py samples --dir DIR [--messages N]
    dovecot_server.py stop --dir DIR
    dovecot_server.py restart-with-new-certificate --dir DIR

`start` writes everything into DIR (a fresh folder that the caller owns and later removes):
the configuration, a passwd-file with {PLAIN} passwords (so APOP works) for alice/wonderland
and bob/builder, a Maildir per user (N sample messages for alice, none for bob), a
self-signed certificate, and Dovecot's run, state and log files. It waits until both
listeners greet, then prints its description (see server_common.py) and leaves Dovecot
running in the background. Listeners are on 127.0.0.1 only: a cleartext one that offers
STLS and one that speaks TLS from the start.

`samples` writes sample messages 1 to N into DIR/samples, from where a test harness that
lets one server serve many tests copies them into a mailbox made afresh.

`restart-with-new-certificate` stops the server, makes a new key and certificate and starts
it again on the same ports; it prints the description with the new fingerprint.

`stop` ends that Dovecot and waits until all its processes are gone.

Run as root, Dovecot's processes and the mail files belong to `nobody`; run as an ordinary
user, everything runs as that user. On failure the reason and the tail of Dovecot's log go
to stderr and the exit status is non-zero.

Only the standard library and the `openssl` command line are used.
"""

import argparse
import base64
import grp
import os
import pwd
import socket
import subprocess
import sys
import time

from server_common import (READY_TIMEOUT, Failure, alive, load_state, make_certificate,
                           print_description, run_command, save_state, stop_processes,
                           wait_until_ready)

USERS = {"alice": "wonderland", "bob": "builder"}
DOVECOT_CANDIDATES = ("/usr/sbin/dovecot", "/usr/local/sbin/dovecot")
DEBIAN_DH_PARAMETERS = "/usr/share/dovecot/dh.pem"
START_ATTEMPTS = 5
# Unix sockets live under base_dir; their paths must fit in sun_path (108 bytes).
LONGEST_SOCKET_SUFFIX = len("/run/login/tokenlogin/pop3-login")
SUN_PATH_MAX = 107


def paths(folder):
    folder = os.path.abspath(folder)
    names = {"conf": "dovecot.conf", "passwd": "passwd", "run": "run", "state": "state",
             "log": "dovecot.log", "stderr": "dovecot-start.err", "cert": "tls/cert.pem",
             "key": "tls/key.pem", "mail": "mail", "server": "server.json"}
    p = {name: os.path.join(folder, path) for name, path in names.items()}
    p["dir"] = folder
    return p


def maildir_of(p, user):
    return os.path.join(p["mail"], user, "Maildir")


def identity():
    """Returns the user and group that Dovecot's processes and the mail belong to."""
    if os.geteuid() == 0:
        user = pwd.getpwnam("nobody")
        group = grp.getgrgid(user.pw_gid)
    else:
        user = pwd.getpwuid(os.geteuid())
        group = grp.getgrgid(os.getegid())
    return {"root": os.geteuid() == 0, "user": user.pw_name, "uid": user.pw_uid,
            "group": group.gr_name, "gid": group.gr_gid}


def check_reachable_by(folder, who):
    """As root, `nobody` must be able to walk down to the folder."""
    current = folder
    while who["root"]:
        if not os.stat(current).st_mode & 0o001:
            raise Failure(
                "%s is not searchable by others, so Dovecot's processes (running as %s) "
                "cannot reach %s; use a temporary folder under /tmp"
                % (current, who["user"], folder))
        if os.path.dirname(current) == current:
            return
        current = os.path.dirname(current)


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


def canonical_base64(text, charset):
    # Text is encoded in its canonical form, CR LF line ends (RFC 2046 section 4.1.1).
    return base64_lines(text.replace("\n", "\r\n").encode(charset))


def encoded_word(text, charset):
    return "=?%s?B?%s?=" % (charset, base64.b64encode(text.encode(charset)).decode("ascii"))


def utf8_message(index):
    body = "Prices in euro: 5 \u20ac \u2014 \u65e5\u672c\u3078\u3088\u3046\u3053\u305d.\nSecond line, sample %d.\n" % index
    return headers(index, encoded_word("UTF-8 sample %d: \u20ac \u2014 \u65e5\u672c" % index, "UTF-8"),
                   ["Content-Type: text/plain; charset=UTF-8",
                    "Content-Transfer-Encoding: base64"]) + canonical_base64(body, "utf-8")


def japanese_message(index):
    # ISO-2022-JP (RFC 1468) is 7-bit: it travels without a transfer encoding.
    body = "\u3053\u3093\u306b\u3061\u306f\u3001\u30a2\u30ea\u30b9\u3055\u3093\u3002\n\u30b5\u30f3\u30d7\u30eb %d\n" % index
    return headers(index, encoded_word("\u65e5\u672c\u8a9e\u306e\u4ef6\u540d %d" % index, "ISO-2022-JP"),
                   ["Content-Type: text/plain; charset=ISO-2022-JP",
                    "Content-Transfer-Encoding: 7bit"]) + body.encode("iso-2022-jp").decode("ascii")


def cyrillic_message(index):
    body = "\u041f\u0440\u0438\u0432\u0435\u0442, \u0410\u043b\u0438\u0441\u0430!\n\u041f\u0440\u0438\u043c\u0435\u0440 %d.\n" % index
    return headers(index, encoded_word("\u041f\u0440\u0438\u043c\u0435\u0440 %d" % index, "KOI8-R"),
                   ["Content-Type: text/plain; charset=KOI8-R",
                    "Content-Transfer-Encoding: base64"]) + canonical_base64(body, "koi8-r")


SAMPLE_KINDS = (plain_message, dotted_message, quoted_printable_message, multipart_message,
                long_message, utf8_message, japanese_message, cyrillic_message)


def sample_message(index):
    """Message number `index` (1-based); the kinds repeat every eight messages."""
    return SAMPLE_KINDS[(index - 1) % len(SAMPLE_KINDS)](index)


def maildir_file_name(index):
    # Dovecot numbers new mail by the time in the name, then by the rest of it.
    return "%d.M%06dP1000.tarvox-test" % (SAMPLE_BASE_TIME + index * 60, index)


def write_samples(folder, message_count):
    """Sample messages 1 to `message_count` in the folder, under the names they have in a
    Maildir; a file already there is kept (the samples never change)."""
    os.makedirs(folder, exist_ok=True)
    for index in range(1, message_count + 1):
        path = os.path.join(folder, maildir_file_name(index))
        if not os.path.exists(path):
            with open(path + ".tmp", "wb") as f:
                f.write(sample_message(index).encode("ascii"))
            os.chmod(path + ".tmp", 0o644)
            os.rename(path + ".tmp", path)


def make_mailboxes(p, who, message_count):
    """An empty Maildir per user, with `message_count` samples in alice's new/."""
    for user in USERS:
        for sub in ("new", "cur", "tmp"):
            os.makedirs(os.path.join(maildir_of(p, user), sub), exist_ok=True)
    write_samples(os.path.join(maildir_of(p, "alice"), "new"), message_count)
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


def children_of(pid):
    """The processes below `pid` that are alive now."""
    parents = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % entry, encoding="ascii", errors="replace") as f:
                text = f.read()
        except OSError:
            continue
        parents.setdefault(int(text[text.rfind(")") + 2:].split()[1]), []).append(int(entry))
    found, pending = [], [pid]
    while pending:
        children = parents.get(pending.pop(), [])
        found += children
        pending += children
    return found


def read_master_pid(p):
    try:
        with open(os.path.join(p["run"], "master.pid"), encoding="ascii") as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def stop_master(pid):
    """Ends Dovecot's master and every process below it, all together: told alone, the
    master ends its services at once but takes about a second to reap its log process."""
    if pid is not None and alive(pid):
        stop_processes([pid] + children_of(pid))


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
                    f.seek(log_size if name == "log" else 0)
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
    print_description({
        "plain_port": state["plain_port"], "tls_port": state["tls_port"], "pid": state["pid"],
        "dir": p["dir"], "users": USERS,
        "maildir": {user: maildir_of(p, user) for user in USERS},
        "fingerprint_sha1": state["fingerprint_sha1"], "cert_file": p["cert"],
        "log_file": p["log"],
    })


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
        save_state(p["server"], state)
        try:
            wait_until_ready(pid, (state["plain_port"], state["tls_port"]),
                             state["fingerprint_sha1"], b"+OK", b"QUIT\r\n")
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
    state = {"fingerprint_sha1": make_certificate(p["cert"], p["key"], args.cert_cn),
             "cert_cn": args.cert_cn}
    run_server(p, who, state, keep_ports=False)
    describe(p, state)


def command_samples(args):
    write_samples(os.path.join(paths(args.dir)["dir"], "samples"), args.messages)


def command_stop(args):
    p = paths(args.dir)
    stop_master(load_state(p["server"]).get("pid"))
    # A master started by hand after a failed start is stopped too.
    stop_master(read_master_pid(p))


def command_restart(args):
    p = paths(args.dir)
    state = load_state(p["server"])
    stop_master(state.get("pid"))
    old = state["fingerprint_sha1"]
    state["fingerprint_sha1"] = make_certificate(p["cert"], p["key"], state["cert_cn"])
    if state["fingerprint_sha1"] == old:
        raise Failure("the new certificate has the old fingerprint")
    run_server(p, identity(), state, keep_ports=True)
    describe(p, state)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    for name, run, what in (
            ("start", command_start, "write a configuration and start Dovecot"),
            ("samples", command_samples, "write sample messages into DIR/samples"),
            ("stop", command_stop, "stop the Dovecot started in DIR"),
            ("restart-with-new-certificate", command_restart,
             "stop, make a new certificate, start on the same ports")):
        command = commands.add_parser(name, help=what)
        command.add_argument("--dir", required=True)
        command.set_defaults(run=run)
        if name in ("start", "samples"):
            command.add_argument("--messages", type=int, default=5)
        if name == "start":
            command.add_argument("--cert-cn", default="localhost")
    return run_command(parser, "dovecot_server.py", lambda folder: (
        paths(folder)["stderr"], paths(folder)["log"]))


if __name__ == "__main__":
    sys.exit(main())

"""What the test-server scripts share: the state file, certificates, processes, the wait for
the greetings, the description printed for the caller and the command-line frame.

The description is one `key=value` line per value on stdout (a value never holds a line
break); a per-user value has the key `name.user`, such as `maildir.alice=/tmp/...`.
"""

import hashlib
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import time

READY_TIMEOUT = 15.0
STOP_TIMEOUT = 10.0


class Failure(Exception):
    """A reason to give up, with the text shown to the caller."""


def load_state(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        raise Failure("no server was started there (no %s)" % path)


def save_state(path, state):
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        json.dump(state, f, indent=1, sort_keys=True)
    os.replace(path + ".tmp", path)


def print_description(values):
    lines = []
    for key, value in values.items():
        if isinstance(value, dict):
            lines += ["%s.%s=%s" % (key, inner, text) for inner, text in value.items()]
        else:
            lines.append("%s=%s" % (key, value))
    print("\n".join(lines), flush=True)


def sha1_fingerprint(der):
    digest = hashlib.sha1(der).hexdigest().upper()
    return ":".join(digest[i:i + 2] for i in range(0, len(digest), 2))


def fingerprint_of_pem_file(path):
    try:
        with open(path, encoding="ascii") as f:
            return sha1_fingerprint(ssl.PEM_cert_to_DER_cert(f.read()))
    except (OSError, ValueError) as error:
        raise Failure("cannot read the certificate %s: %s" % (path, error))


def make_certificate(cert, key, common_name):
    """A new self-signed certificate and key in those PEM files; returns its fingerprint."""
    os.makedirs(os.path.dirname(cert), exist_ok=True)
    for name in (cert, key):
        if os.path.exists(name):
            os.unlink(name)
    command = [
        "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
        "-days", "3650", "-subj", "/CN=" + common_name,
        "-addext", "subjectAltName=DNS:" + common_name, "-keyout", key, "-out", cert,
    ]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, timeout=60)
    except FileNotFoundError:
        raise Failure("the openssl command is not installed")
    if result.returncode != 0:
        raise Failure("openssl could not make the certificate:\n" + result.stderr)
    os.chmod(key, 0o600)
    os.chmod(cert, 0o644)
    return fingerprint_of_pem_file(cert)


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


def kill_quietly(pid, signal_number):
    try:
        os.kill(pid, signal_number)
    except ProcessLookupError:
        pass


def wait_until_gone(pids, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for pid in pids:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass
        if not any(alive(pid) for pid in pids):
            return True
        time.sleep(0.01)
    return False


def stop_processes(pids):
    """Ends the processes with SIGTERM, then SIGKILL; waits until all are gone."""
    pids = [pid for pid in pids if pid is not None and alive(pid)]
    for signal_number in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            kill_quietly(pid, signal_number)
        if wait_until_gone(pids, STOP_TIMEOUT):
            return
    raise Failure("the processes %s did not end" % pids)


def log_tail(files, lines=30):
    parts = []
    for name in files:
        try:
            with open(name, encoding="utf-8", errors="replace") as f:
                text = f.read().splitlines()
        except FileNotFoundError:
            continue
        if text:
            parts.append("--- %s (last %d lines)\n" % (name, lines) + "\n".join(text[-lines:]))
    return "\n".join(parts) if parts else "(the server wrote no log)"


def read_line(sock):
    data = b""
    while not data.endswith(b"\n"):
        chunk = sock.recv(1)
        if not chunk:
            break
        data += chunk
    return data


def greeting_on(port, use_tls, fingerprint, good_start, quit_command):
    """Connects once and reads the greeting; returns None when it starts with good_start,
    otherwise why not. Over TLS the server must present the certificate `fingerprint`."""
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=5) as raw:
            sock = raw
            if use_tls:
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
                context.check_hostname = False
                context.verify_mode = ssl.CERT_NONE
                sock = context.wrap_socket(raw)
                served = sha1_fingerprint(sock.getpeercert(binary_form=True))
                if served != fingerprint:
                    return "the TLS port serves the certificate " + served
            line = read_line(sock)
            sock.sendall(quit_command)
    except (OSError, ssl.SSLError) as error:
        return str(error)
    return None if line.startswith(good_start) else "unexpected greeting %r" % line


def wait_until_ready(pid, ports, fingerprint, good_start, quit_command):
    """Waits until the cleartext port ports[0] and the TLS port ports[1] greet."""
    deadline = time.monotonic() + READY_TIMEOUT
    waiting = {"plain": (ports[0], False), "TLS": (ports[1], True)}
    reason = "nothing tried"
    while True:
        for name, (port, use_tls) in list(waiting.items()):
            reason = greeting_on(port, use_tls, fingerprint, good_start, quit_command)
            if reason is None:
                del waiting[name]
        if not waiting:
            return
        wait_until_gone([pid], 0)
        if not alive(pid):
            raise Failure("the server ended while starting")
        if time.monotonic() > deadline:
            name = next(iter(waiting))
            raise Failure("the server did not greet on the %s port %d within %.0f s: %s"
                          % (name, waiting[name][0], READY_TIMEOUT, reason))
        time.sleep(0.05)


def run_command(parser, script_name, log_files_of):
    """Parses the command line, runs the chosen command and turns a Failure into the exit
    status 1, with the reason and (except for stop) the tail of the logs on stderr."""
    args = parser.parse_args()
    try:
        args.run(args)
    except Failure as failure:
        sys.stderr.write("%s %s: %s\n" % (script_name, args.command, failure))
        if args.command != "stop":
            sys.stderr.write(log_tail(log_files_of(args.dir)) + "\n")
        return 1
    return 0

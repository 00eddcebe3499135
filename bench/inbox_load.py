#!/usr/bin/python3
"""Inbox loading against a real Dovecot: the engine, pipelined and lock-step, poplib, the floor.

    bench/inbox_load.py [--build build-bench] [--sizes 1000,10000] [--repeat 5]
                        [--delay-ms 10] [--slow-repeat 1] [--clients LIST] [--json FILE]

For each size N it starts a throw-away Dovecot (scripts/test-servers/dovecot_server.py)
with an empty mailbox, writes N generated messages into alice's Maildir (headers of 1 to
8 KB, one in a hundred of about 64 KB; bodies of 2 to 200 KB, spread evenly on a log
scale), checks that the server's CAPA lists PIPELINING, loads the mailbox once to warm the
server (Dovecot moves the files to cur/, builds its index and caches the sizes; the files
land in the page cache), then measures the clients on each link: loopback, and with
--delay-ms D (0 leaves it out) through a loopback proxy that holds every chunk D ms in
each direction, as a round trip of 2 D would. Each client runs --repeat times, in turn,
a different one first each round:

  engine     tarvox-cli list --host 127.0.0.1 --port P --user alice (password on stdin):
             LoadInbox with LIST, then the "TOP n 0" commands sent ahead of their replies
             (the server lists PIPELINING), each header block scanned, then the listing
             printed (to a file);
  engine-lockstep  the same with TARVOX_POP3_LOCKSTEP=1: one TOP at a time, each sent once
             the reply before it has arrived;
  poplib     bench/inbox_load_poplib.py: Python's poplib, LIST and "TOP n 0" one at a time;
  poplib+parse  the same, each header block also read by Python's email package (only
             with --clients);
  floor      tarvox_inbox_load_floor: LIST, every TOP and QUIT written at once, the reply
             bytes only counted.

The lock-step clients (engine-lockstep, poplib, poplib+parse) need a round trip per
message: behind the proxy they run only --slow-repeat times (10,000 messages take them
about 220 s a run with 10 ms each way); the table says how many runs each figure has.

Each client is a child process started by tarvox_resource_run, which reports its wall time
(fork to exit), CPU time (user + system) and peak resident size (from wait4). Every run is
checked in Dovecot's log (the session must have answered exactly N TOP commands), every
engine listing, pipelined or lock-step on either link, must be byte for byte the first
one of the mailbox, and a run that takes far longer than a lock-step client would is
killed as hung. The table gives medians and their ratios to the floor's medians of the
same mailbox and link; the goals for the pipelined engine follow it.

This is a measurement, not a test: nothing in the test suite runs it. The generated mail
takes about 50 KB per message in a temporary folder under /tmp, removed with its mailbox;
the folder itself is kept, with the last client output and the listings, when listings
differ or a run failed.
"""

import argparse
import base64
import json
import os
import poplib
import random
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PYTHON = "/usr/bin/python3"
SERVER_SCRIPT = os.path.join(ROOT, "scripts", "test-servers", "dovecot_server.py")
POPLIB_CLIENT = os.path.join(HERE, "inbox_load_poplib.py")
USER = "alice"
CLIENTS = ("floor", "engine", "engine-lockstep", "poplib", "poplib+parse")
DEFAULT_CLIENTS = ("floor", "engine", "engine-lockstep", "poplib")
# The clients that wait for each reply before the next command: one round trip a message.
LOCKSTEP_CLIENTS = ("engine-lockstep", "poplib", "poplib+parse")
BASE_TIME = 1704103200  # 2024-01-01 10:00:00 UTC
LOG_WAIT = 10.0


class Failure(Exception):
    """A reason to give up, with the text shown to the caller."""


# ---------------------------------------------------------------------------
# Generated mail

WORDS = ("the of and to in is that for it as with was on be by this are from at or an "
         "have not which but all were when we there can more if will one about so their "
         "would what up out into has time than them some could other only new these may "
         "first any like then now its over also after our well way even because most "
         "report meeting budget quarter review release schedule draft invoice order "
         "shipment account server backup network update project customer contract").split()
DOMAINS = ("example.com", "example.net", "example.org", "mail.example.com",
           "lists.example.org", "corp.example.net", "news.example.com")
NAMES = ("Alice Smith", "Bob Jones", "Carol White", "Dave Brown", "Erin Black",
         "Frank Green", "Grace Hall", "Heidi Young", "Ivan King", "Judy Wright",
         "Mallory Scott", "Niaj Adams", "Olivia Baker", "Peggy Clark", "Rupert Evans")
ENCODED_NAMES = ("=?ISO-8859-1?Q?J=FCrgen_M=FCller?=", "=?UTF-8?B?RnJhbsOnb2lzIETDqXNpcsOp?=",
                 "=?ISO-8859-1?Q?Ren=E9e_Dupr=E9?=")
LARGE_HEADER_SHARE = 100  # one message in this many has a header block of about 64 KB
LARGE_HEADER_BYTES = 64 * 1024


class Generator:
    """Deterministic messages: the same seed gives the same mailbox."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        # Pools sliced per message: plain text lines and base64 lines of random data.
        lines = []
        size = 0
        while size < 256 * 1024:
            line = " ".join(self.rng.choice(WORDS) for _ in range(self.rng.randint(6, 12)))
            line = line[0].upper() + line[1:] + "."
            lines.append(line)
            size += len(line) + 1
        self.text_pool = "\n".join(lines) + "\n"
        data = self.rng.randbytes(192 * 1024)
        encoded = base64.b64encode(data).decode("ascii")
        self.base64_pool = "\n".join(encoded[i:i + 76] for i in range(0, len(encoded), 76)) + "\n"

    # -- pieces

    def address(self):
        name = self.rng.choice(NAMES)
        local = name.lower().replace(" ", ".")
        return name, "%s@%s" % (local, self.rng.choice(DOMAINS))

    def mailbox(self):
        name, address = self.address()
        if self.rng.random() < 0.15:
            name = self.rng.choice(ENCODED_NAMES)
        else:
            name = '"%s"' % name
        return "%s <%s>" % (name, address)

    def token(self, length):
        alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
        return "".join(self.rng.choice(alphabet) for _ in range(length))

    def ip(self):
        return "%d.%d.%d.%d" % (self.rng.choice((192, 198, 203, 10)), self.rng.randint(0, 255),
                                self.rng.randint(0, 255), self.rng.randint(1, 254))

    def received(self, stamp):
        host = "mx%d.%s" % (self.rng.randint(1, 40), self.rng.choice(DOMAINS))
        return ("Received: from %s (%s [%s])\n"
                "\tby relay%d.example.net (Postfix) with ESMTPS id %s\n"
                "\tfor <alice@example.test>; %s\n"
                % (host, host, self.ip(), self.rng.randint(1, 9), self.token(12), stamp))

    def signature_field(self, name, tags, width=200):
        """A DKIM- or ARC-style field whose b= value is folded base64."""
        value = self.token(width * 2)
        folded = "\n\t".join(value[i:i + 70] for i in range(0, len(value), 70))
        return "%s: %s;\n\tb=%s\n" % (name, tags, folded)

    def recipients(self, count):
        items = [self.mailbox() for _ in range(count)]
        lines = []
        current = ""
        for item in items:
            piece = item + ","
            if current and len(current) + len(piece) > 76:
                lines.append(current)
                current = ""
            current += (" " if current else "") + piece
        lines.append(current.rstrip(","))
        return "\n\t".join(lines)

    # -- whole messages

    def header_block(self, index, target, content_type):
        stamp = time.strftime("%a, %d %b %Y %H:%M:%S +0000",
                              time.gmtime(BASE_TIME + index * 300))
        words = " ".join(self.rng.choice(WORDS) for _ in range(self.rng.randint(3, 9)))
        subject = words.capitalize()
        if self.rng.random() < 0.1:
            subject = "=?UTF-8?Q?" + subject.replace(" ", "_") + "_=E2=80=94_r=C3=A9sum=C3=A9?="
        fields = [
            "Return-Path: <bounce-%d@%s>\n" % (index, self.rng.choice(DOMAINS)),
            "Delivered-To: alice@example.test\n",
            self.received(stamp),
            self.received(stamp),
            "Authentication-Results: mx.example.test; dkim=pass header.d=example.com;\n"
            "\tspf=pass smtp.mailfrom=example.com; dmarc=pass header.from=example.com\n",
            self.signature_field("DKIM-Signature",
                                 "v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; "
                                 "s=sel%d;\n\th=from:to:subject:date:message-id" % index),
            "From: %s\n" % self.mailbox(),
            "To: %s\n" % self.recipients(self.rng.randint(1, 4)),
            "Subject: %s\n" % subject,
            "Date: %s\n" % stamp,
            "Message-ID: <%s.%d@%s>\n" % (self.token(16), index, self.rng.choice(DOMAINS)),
            "MIME-Version: 1.0\n",
            content_type,
        ]
        if self.rng.random() < 0.5:
            fields.append("Cc: %s\n" % self.recipients(self.rng.randint(1, 6)))
        if self.rng.random() < 0.4:
            fields.append("List-Id: <list%d.lists.example.org>\n"
                          "List-Unsubscribe: <mailto:leave-%s@lists.example.org>\n"
                          % (self.rng.randint(1, 20), self.token(24)))
        size = sum(len(f) for f in fields)
        extra = []
        hop = 0
        while size < target:
            # Mail that went far: more relays, ARC sets, and filters' X- fields.
            hop += 1
            choice = hop % 4
            if choice == 0:
                piece = self.signature_field(
                    "ARC-Message-Signature", "i=%d; a=rsa-sha256; c=relaxed/relaxed; "
                    "d=example.net; s=arc" % hop)
            elif choice == 1:
                piece = "X-Filter-%d: score=%d.%d; rules=%s\n" % (
                    hop, self.rng.randint(0, 9), self.rng.randint(0, 9), self.token(40))
            else:
                piece = self.received(stamp)
            extra.append(piece)
            size += len(piece)
        if target >= LARGE_HEADER_BYTES:
            # The big ones are mostly a long recipient list, as in a mailing to many.
            return "".join(fields[:7] + ["Cc: %s\n" % self.recipients(target // 50)] +
                           fields[7:]) + "\n"
        return "".join(extra + fields) + "\n"

    def text_slice(self, pool, size):
        start = self.rng.randrange(0, len(pool) - size - 1) if size < len(pool) - 1 else 0
        start = pool.find("\n", start) + 1 if start else 0
        out = []
        left = size
        while left > 0:
            piece = pool[start:start + left]
            out.append(piece)
            left -= len(piece)
            start = 0
        text = "".join(out)
        return text if text.endswith("\n") else text + "\n"

    def message(self, index):
        if self.rng.randrange(LARGE_HEADER_SHARE) == 0:
            header_size = LARGE_HEADER_BYTES
        else:
            header_size = self.rng.randint(1024, 8 * 1024)
        body_size = int(2048 * (100 ** self.rng.random()))  # 2 KB to 200 KB, log scale
        kind = self.rng.random()
        boundary = "=_part_%s" % self.token(20)
        if kind < 0.6:
            content_type = "Content-Type: text/plain; charset=us-ascii\n"
            body = self.text_slice(self.text_pool, body_size)
        elif kind < 0.85:
            content_type = 'Content-Type: multipart/alternative; boundary="%s"\n' % boundary
            half = body_size // 2
            body = ("--%s\nContent-Type: text/plain; charset=us-ascii\n\n%s"
                    "--%s\nContent-Type: text/html; charset=us-ascii\n\n<html><body><p>\n%s"
                    "</p></body></html>\n--%s--\n"
                    % (boundary, self.text_slice(self.text_pool, half), boundary,
                       self.text_slice(self.text_pool, body_size - half), boundary))
        else:
            content_type = 'Content-Type: multipart/mixed; boundary="%s"\n' % boundary
            body = ("--%s\nContent-Type: text/plain; charset=us-ascii\n\n%s"
                    "--%s\nContent-Type: application/octet-stream; name=\"data-%d.bin\"\n"
                    "Content-Transfer-Encoding: base64\n"
                    "Content-Disposition: attachment; filename=\"data-%d.bin\"\n\n%s"
                    "--%s--\n"
                    % (boundary, self.text_slice(self.text_pool, 1024), boundary, index, index,
                       self.text_slice(self.base64_pool, max(body_size - 1024, 1024)),
                       boundary))
        return self.header_block(index, header_size, content_type) + body


def write_maildir(maildir, count, seed):
    """Writes `count` messages into maildir/new; returns the bytes written."""
    owner = os.stat(maildir)
    generator = Generator(seed)
    new_folder = os.path.join(maildir, "new")
    total = 0
    for index in range(1, count + 1):
        text = generator.message(index).encode("ascii")
        # Dovecot numbers new mail by the time in the name: sorted order is message order.
        name = "%d.M%06dP1000.gen" % (BASE_TIME + index * 60, index)
        temporary = os.path.join(maildir, "tmp", name)
        with open(temporary, "wb") as f:
            f.write(text)
        os.chmod(temporary, 0o644)
        if os.geteuid() == 0:
            os.chown(temporary, owner.st_uid, owner.st_gid)
        os.rename(temporary, os.path.join(new_folder, name))
        total += len(text)
    return total


# ---------------------------------------------------------------------------
# The server


class Dovecot:
    def __init__(self, folder):
        self.folder = folder
        result = subprocess.run([PYTHON, SERVER_SCRIPT, "start", "--dir", folder,
                                 "--messages", "0"], capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure("Dovecot did not start:\n" + result.stderr)
        # The script describes the server in key=value lines.
        self.info = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
        self.port = int(self.info["plain_port"])
        self.password = self.info["users." + USER]
        self.maildir = self.info["maildir." + USER]
        self.log_file = self.info["log_file"]

    def stop(self):
        subprocess.run([PYTHON, SERVER_SCRIPT, "stop", "--dir", self.folder],
                       capture_output=True, text=True)

    def log_size(self):
        return os.path.getsize(self.log_file)

    def wait_for_logout(self, offset):
        """The first "Logged out" line written after `offset` (Dovecot logs asynchronously)."""
        deadline = time.monotonic() + LOG_WAIT
        while True:
            with open(self.log_file, encoding="utf-8", errors="replace") as f:
                f.seek(offset)
                for line in f:
                    if "Logged out" in line:
                        return line.strip()
            if time.monotonic() > deadline:
                raise Failure("no logout in Dovecot's log after the run")
            time.sleep(0.02)


# ---------------------------------------------------------------------------
# The delaying proxy (run as its own process: `inbox_load.py proxy`)


def forward(source, target, delay):
    """Copies source to target, each chunk sent `delay` seconds after it arrived."""
    queue = []
    ready = threading.Condition()

    def reader():
        while True:
            try:
                chunk = source.recv(65536)
            except OSError:
                chunk = b""
            with ready:
                queue.append((time.monotonic() + delay, chunk))
                ready.notify()
            if not chunk:
                return

    threading.Thread(target=reader, daemon=True).start()
    while True:
        with ready:
            while not queue:
                ready.wait()
            due, chunk = queue.pop(0)
        pause = due - time.monotonic()
        if pause > 0:
            time.sleep(pause)
        try:
            if not chunk:
                target.shutdown(socket.SHUT_WR)
                return
            target.sendall(chunk)
        except OSError:
            return


def run_proxy(target_port, delay):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        server = socket.create_connection(("127.0.0.1", target_port))
        for s in (client, server):
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        for a, b in ((client, server), (server, client)):
            threading.Thread(target=forward, args=(a, b, delay), daemon=True).start()


class Proxy:
    def __init__(self, target_port, delay_ms):
        self.process = subprocess.Popen(
            [PYTHON, os.path.abspath(__file__), "proxy", "--target", str(target_port),
             "--delay-ms", str(delay_ms)], stdout=subprocess.PIPE, text=True)
        self.port = int(self.process.stdout.readline())

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait()


# ---------------------------------------------------------------------------
# Measuring one client run


def client_command(name, build, port):
    host = "127.0.0.1"
    if name in ("engine", "engine-lockstep"):
        return [os.path.join(build, "src", "cli", "tarvox-cli"), "list", "--host", host,
                "--port", str(port), "--user", USER]
    if name == "poplib":
        return [PYTHON, POPLIB_CLIENT, host, str(port), USER]
    if name == "poplib+parse":
        return [PYTHON, POPLIB_CLIENT, host, str(port), USER, "--parse"]
    if name == "floor":
        return [os.path.join(build, "bench", "tarvox_inbox_load_floor"), host, str(port), USER]
    raise ValueError(name)


def client_environment(name):
    """The engine pipelines unless TARVOX_POP3_LOCKSTEP=1; only engine-lockstep gets it."""
    environment = dict(os.environ)
    environment.pop("TARVOX_POP3_LOCKSTEP", None)
    if name == "engine-lockstep":
        environment["TARVOX_POP3_LOCKSTEP"] = "1"
    return environment


def run_limit(count, delay_ms):
    """Seconds after which a run counts as hung: twice a lock-step client's time, 2 ms of
    work and a round trip per message, plus a minute."""
    return 60.0 + 2.0 * count * (0.002 + 2.0 * delay_ms / 1000.0)


def run_client(name, args, port, server, count, delay_ms, scratch):
    """Runs one client to the end; returns wall and CPU seconds, peak RSS in KB and the
    path of what the client wrote to standard output."""
    command = client_command(name, args.build, port)
    if name == "floor":
        command.append(str(count))
    out_path = os.path.join(scratch, "stdout")
    err_path = os.path.join(scratch, "stderr")
    report_path = os.path.join(scratch, "report")
    for path in (out_path, err_path, report_path):
        if os.path.exists(path):
            os.remove(path)
    offset = server.log_size()
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        # Its own process group, so that a hung client is killed with the runner.
        process = subprocess.Popen([os.path.join(args.build, "bench", "tarvox_resource_run"),
                                    report_path] + command,
                                   stdin=subprocess.PIPE, stdout=out, stderr=err,
                                   env=client_environment(name), start_new_session=True)
        try:
            process.communicate((server.password + "\n").encode("ascii"),
                                timeout=run_limit(count, delay_ms))
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise Failure("%s did not finish within %.0f s on %d messages with %d ms each way "
                          "(hung?); its output is in %s" % (name, run_limit(count, delay_ms),
                                                            count, delay_ms, scratch))
    with open(report_path, encoding="ascii") as f:
        fields = f.read().split()
    report = dict(zip(fields[0::2], fields[1::2]))
    if process.returncode != 0 or report.get("status") != "0":
        with open(err_path, encoding="utf-8", errors="replace") as f:
            tail = f.read()[-2000:]
        raise Failure("%s exited with %s:\n%s" % (name, report.get("status"), tail))
    logout = server.wait_for_logout(offset)
    if ("top=%d/" % count) not in logout:
        raise Failure("%s: Dovecot did not answer %d TOP commands: %s" % (name, count, logout))
    return {"wall": float(report["wall"]),
            "cpu": float(report["user"]) + float(report["system"]),
            "rss_kb": int(report["maxrss"])}, out_path


def server_capabilities(port):
    """The CAPA lines of the server (the engine pipelines only when PIPELINING is there)."""
    box = poplib.POP3("127.0.0.1", port)
    try:
        return list(box.capa())
    finally:
        box.quit()


class ListingCheck:
    """Every engine listing of a mailbox, pipelined or lock-step, on any link, must be the
    first one's bytes; a differing one is kept beside it for a look."""

    def __init__(self, work, count):
        self.folder = os.path.join(work, "listings-n%d" % count)
        os.makedirs(self.folder, exist_ok=True)
        self.reference = None
        self.reference_name = None
        self.mismatches = []

    @staticmethod
    def comparable(listing):
        """The listing without the clock time that its third line gives."""
        lead, marker, entries = listing.partition(b"\nMessage: ")
        return b"\n".join(lead.split(b"\n")[:2]) + marker + entries

    def check(self, name, delay_ms, out_path):
        with open(out_path, "rb") as f:
            listing = self.comparable(f.read())
        if self.reference is None:
            self.reference = listing
            self.reference_name = "%s-%dms" % (name, delay_ms)
            shutil.copy(out_path, os.path.join(self.folder, self.reference_name))
            return
        if listing != self.reference:
            kept = os.path.join(self.folder, "%s-%dms-%d" % (name, delay_ms,
                                                          len(self.mismatches) + 1))
            shutil.copy(out_path, kept)
            self.mismatches.append("%s with %d ms each way: listing differs from %s (%s)"
                                   % (name, delay_ms, self.reference_name, kept))
            print("  LISTING DIFFERS: " + self.mismatches[-1], file=sys.stderr, flush=True)


def measure_link(args, clients, count, delay_ms, server, scratch, listings):
    """The runs of every client on one link; the lock-step ones behind a delay run
    --slow-repeat times, the others --repeat times."""
    proxy = None
    port = server.port
    if delay_ms:
        proxy = Proxy(server.port, delay_ms)
        port = proxy.port
    repeats = {name: (args.slow_repeat if delay_ms and name in LOCKSTEP_CLIENTS
                      else args.repeat) for name in clients}
    try:
        started = time.monotonic()
        load_before = read_loadavg()
        runs = {name: [] for name in clients}
        for repetition in range(max(repeats.values())):
            # A different order each time, so that a burst of load elsewhere on the machine
            # does not always fall on the same client.
            shift = repetition % len(clients)
            for name in clients[shift:] + clients[:shift]:
                if len(runs[name]) >= repeats[name]:
                    continue
                result, out_path = run_client(name, args, port, server, count, delay_ms,
                                              scratch)
                if name in ("engine", "engine-lockstep"):
                    listings.check(name, delay_ms, out_path)
                runs[name].append(result)
                print("  N=%d delay=%d ms %-15s wall %8.3f s  cpu %7.3f s  rss %7d KB"
                      % (count, delay_ms, name, result["wall"], result["cpu"],
                         result["rss_kb"]), file=sys.stderr, flush=True)
        load_after = read_loadavg()
        seconds = time.monotonic() - started
    finally:
        if proxy is not None:
            proxy.stop()
    medians = {name: {key: statistics.median(r[key] for r in results)
                      for key in ("wall", "cpu", "rss_kb")}
               for name, results in runs.items()}
    return {
        "messages": count,
        "delay_ms": delay_ms,
        "load_average_before": load_before,
        "load_average_after": load_after,
        "seconds": seconds,
        "runs": runs,
        "medians": medians,
    }


def measure_mailbox(args, clients, count, delays, work):
    """One generated mailbox of `count` messages, measured on each link in `delays`."""
    folder = os.path.join(work, "n%d" % count)
    os.makedirs(folder)
    os.chmod(folder, 0o755)
    server = Dovecot(folder)
    results = []
    try:
        started = time.monotonic()
        written = write_maildir(server.maildir, count, seed=count)
        generated = time.monotonic() - started
        capabilities = server_capabilities(server.port)
        if "PIPELINING" not in capabilities:
            raise Failure("Dovecot's CAPA does not list PIPELINING (%s): the engine would not "
                          "pipeline" % ", ".join(capabilities))
        scratch = os.path.join(work, "scratch")
        os.makedirs(scratch, exist_ok=True)
        warm, _ = run_client("floor", args, server.port, server, count, 0, scratch)
        print("  %.0f MB generated in %.1f s" % (written / 1e6, generated),
              file=sys.stderr, flush=True)
        listings = ListingCheck(work, count)
        for delay_ms in delays:
            result = measure_link(args, clients, count, delay_ms, server, scratch, listings)
            result.update({"mailbox_bytes": written, "generate_seconds": generated,
                           "warm_up": warm})
            results.append(result)
            print("  N=%d delay=%d ms measured in %.0f s; load average %s before, %s after"
                  % (count, delay_ms, result["seconds"], result["load_average_before"],
                     result["load_average_after"]), file=sys.stderr, flush=True)
    finally:
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)
    return results, listings.mismatches


# ---------------------------------------------------------------------------
# The report


def read_loadavg():
    """/proc/loadavg's three load averages, as `cat /proc/loadavg` shows them."""
    with open("/proc/loadavg", encoding="ascii") as f:
        return " ".join(f.read().split()[:3])


def ratio(value, floor):
    return "%.1fx" % (value / floor) if floor > 0 else "-"


def table(results, clients):
    lines = [
        "| N | Delay | Client | Runs | Wall | CPU | Peak RSS | Wall / floor | CPU / floor "
        "| RSS / floor |",
        "|---|---|---|---|---|---|---|---|---|---|",
    ]
    for result in results:
        floor = result["medians"].get("floor")
        for name in clients:
            m = result["medians"][name]
            lines.append("| %d | %s | %s | %d | %.3f s | %.3f s | %.1f MB | %s | %s | %s |" % (
                result["messages"], "%d ms" % result["delay_ms"] if result["delay_ms"] else "-",
                name, len(result["runs"][name]), m["wall"], m["cpu"], m["rss_kb"] / 1024.0,
                ratio(m["wall"], floor["wall"]) if floor else "-",
                ratio(m["cpu"], floor["cpu"]) if floor else "-",
                ratio(m["rss_kb"], floor["rss_kb"]) if floor else "-"))
    return "\n".join(lines)


def goals(results):
    """The goals for the pipelined engine, each with the figures that decide it."""
    lines = []
    for r in results:
        m = r["medians"]
        if "engine" not in m:
            continue
        engine = m["engine"]["wall"]
        if not r["delay_ms"] and "floor" in m:
            share = engine / m["floor"]["wall"]
            lines.append("N=%d, no delay: engine wall %.3f s = %.2fx the floor (goal at most "
                         "1.5x): %s" % (r["messages"], engine, share,
                                        "holds" if share <= 1.5 else "missed"))
        if r["delay_ms"]:
            lines.append("N=%d, %d ms each way: engine wall %.3f s (goal at most 3 s): %s"
                         % (r["messages"], r["delay_ms"], engine,
                            "holds" if engine <= 3.0 else "missed"))
            if "engine-lockstep" in m:
                speedup = m["engine-lockstep"]["wall"] / engine
                lines.append("N=%d, %d ms each way: lock-step wall %.3f s = %.1fx the "
                             "pipelined engine (goal at least 30x): %s"
                             % (r["messages"], r["delay_ms"], m["engine-lockstep"]["wall"],
                                speedup, "holds" if speedup >= 30 else "missed"))
    return lines


def command_run(args):
    for path in (os.path.join(args.build, "src", "cli", "tarvox-cli"),
                 os.path.join(args.build, "bench", "tarvox_inbox_load_floor"),
                 os.path.join(args.build, "bench", "tarvox_resource_run")):
        if not os.access(path, os.X_OK):
            raise Failure("%s is missing; build the targets tarvox-cli, "
                          "tarvox_inbox_load_floor and tarvox_resource_run in %s first"
                          % (path, args.build))
    clients = tuple(name for name in args.clients.split(",") if name)
    for name in clients:
        if name not in CLIENTS:
            raise Failure("unknown client %s (known: %s)" % (name, ", ".join(CLIENTS)))
    if not clients:
        raise Failure("no client to measure")
    delays = [0] + ([args.delay_ms] if args.delay_ms else [])
    work = tempfile.mkdtemp(prefix="tvx-inbox-", dir="/tmp")
    os.chmod(work, 0o755)  # Dovecot's processes run as nobody when we are root
    results = []
    mismatches = []
    finished = False
    started = time.monotonic()
    load_start = read_loadavg()
    try:
        for count in (int(n) for n in args.sizes.split(",") if n):
            print("mailbox of %d messages" % count, file=sys.stderr, flush=True)
            measured, differing = measure_mailbox(args, clients, count, delays, work)
            results.extend(measured)
            mismatches.extend(differing)
        finished = True
    finally:
        # After a failure the client's output and the listings stay for a look (the
        # mailboxes are gone already).
        if finished and not args.keep and not mismatches:
            shutil.rmtree(work, ignore_errors=True)
    seconds = time.monotonic() - started
    load_end = read_loadavg()
    if args.json:
        with open(args.json, "w", encoding="utf-8") as f:
            json.dump({"seconds": seconds, "load_average_start": load_start,
                       "load_average_end": load_end, "mailboxes": results}, f, indent=1)
    print(table(results, clients))
    print()
    for r in results:
        print("N=%d delay=%d ms: mailbox %.0f MB, measured in %.0f s, load average %s before "
              "and %s after" % (r["messages"], r["delay_ms"], r["mailbox_bytes"] / 1e6,
                                r["seconds"], r["load_average_before"],
                                r["load_average_after"]))
    print("whole run: %.0f s; load average %s at the start, %s at the end"
          % (seconds, load_start, load_end))
    for line in goals(results):
        print(line)
    if mismatches:
        raise Failure("the engine's listings differ (kept in %s):\n%s"
                      % (work, "\n".join(mismatches)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--sizes", default="1000,10000")
    parser.add_argument("--clients", default=",".join(DEFAULT_CLIENTS),
                        help="of " + ", ".join(CLIENTS))
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--slow-repeat", type=int, default=1,
                        help="runs of the lock-step clients behind the delay")
    parser.add_argument("--delay-ms", type=int, default=10)
    parser.add_argument("--json", default=None, help="also write every run to this file")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    proxy = commands.add_parser("proxy", help="(internal) the delaying loopback proxy")
    proxy.add_argument("--target", type=int, required=True)
    proxy.add_argument("--delay-ms", type=int, required=True)
    args = parser.parse_args()
    if args.command == "proxy":
        signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
        run_proxy(args.target, args.delay_ms / 1000.0)
        return 0
    if args.repeat < 1 or args.slow_repeat < 1:
        parser.error("--repeat and --slow-repeat must be at least 1")
    try:
        command_run(args)
    except Failure as failure:
        sys.stderr.write("inbox_load.py: %s\n" % failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

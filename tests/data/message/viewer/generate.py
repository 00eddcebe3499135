#!/usr/bin/python3
"""Writes the message files of the viewer and tarvox-cli tests (run from
anywhere).

Messages are stored as a POP3 RETR leaves them: CR LF line ends, dot-stuffed
lines, the terminating ".". Attachment data is encoded by Python's base64,
quopri and binascii codecs, independent of the program's decoders.
"""
import base64
import binascii
import os
import quopri

HERE = os.path.dirname(os.path.abspath(__file__))

EVERY_BYTE = bytes(range(256))
PASSWD = b"root:x:0:0:not really:/root:/bin/sh\nend of file="
UU_DATA = b"uuencoded data\x00\xff\r\n"


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def message(lines):
    out = []
    for line in lines:
        if isinstance(line, str):
            line = line.encode("latin-1")
        assert b"\r" not in line and b"\n" not in line, line
        if line.startswith(b"."):
            line = b"." + line
        out.append(line + b"\r\n")
    out.append(b".\r\n")
    return b"".join(out)


def base64_lines(data):
    return base64.encodebytes(data).decode("ascii").splitlines()


def qp_lines(data):
    text = quopri.encodestring(data, quotetabs=True).decode("ascii")
    return text.split("\n")[:-1] if text.endswith("\n") else text.split("\n")


def uu_lines(data):
    lines = []
    for i in range(0, len(data), 45):
        lines.append(binascii.b2a_uu(data[i:i + 45], backtick=True).rstrip(b"\n"))
    return lines + [b"`", b"end"]


def main():
    write("every-byte.bin", EVERY_BYTE)
    # Decoded quoted-printable text has CR LF line ends.
    write("passwd.bin", PASSWD.replace(b"\n", b"\r\n"))
    write("uu.bin", UU_DATA)

    # Three To entries, two Cc entries, an encoded From, no Subject.
    write("three_recipients.eml", message([
        "Received: from mx.example.org by pop.example.net; Tue, 1 Apr 2003 09:00:00 +0200",
        "Date: Tue, 1 Apr 2003 09:00:00 +0200",
        "From: =?ISO-8859-1?Q?J=FCrgen_M=FCller?= <jm@example.org>",
        "To: Ann <ann@example.net>, \"Smith, Bob\" <bob@example.net>,",
        " carol@example.net",
        "Cc: dave@example.net, =?ISO-8859-1?Q?Ren=E9e?= <renee@example.net>",
        "Reply-To: replies@example.org",
        "Message-ID: <no-subject.1@example.org>",
        "X-Mailer: Hand",
        "",
        "First line.",
        ".Dot-stuffed line.",
        "Caf\xe9 line.",
    ]))

    # Attachments with hostile and encoded names, and an empty one.
    write("hostile_names.eml", message([
        "From: attacker@example.com",
        "To: victim@example.net",
        "Subject: Files",
        "Content-Type: multipart/mixed; boundary=\"hb\"",
        "",
        "--hb",
        "Content-Type: text/plain",
        "",
        "Four files.",
        "--hb",
        "Content-Type: application/octet-stream; name=\"../../evil\"",
        "Content-Transfer-Encoding: base64",
        "",
        *base64_lines(EVERY_BYTE),
        "--hb",
        "Content-Type: text/plain; name=\"/etc/passwd\"",
        "Content-Transfer-Encoding: quoted-printable",
        "",
        *qp_lines(PASSWD),
        "--hb",
        "Content-Type: application/octet-stream; name=\"=?ISO-8859-1?Q?caf=E9.bin?=\"",
        "Content-Transfer-Encoding: base64",
        "",
        "--hb",
        "Content-Type: application/octet-stream; name=\"..\"",
        "Content-Transfer-Encoding: base64",
        "",
        *base64_lines(b"dots"),
        "--hb",
        "Content-Type: text/plain; name=\"C:\\temp\\win.txt\"",
        "",
        "windows path",
        "--hb--",
        "",
        "begin 644 sub/dir/uu.bin",
        *uu_lines(UU_DATA),
    ]))

    # Terminal control sequences in the subject, the text and a hidden
    # file's name.
    write("terminal_escapes.eml", message([
        "From: attacker@example.com",
        "Subject: =?ISO-8859-1?Q?Hi=1B]0;owned=07?=",
        "Content-Type: multipart/mixed; boundary=\"tb\"",
        "",
        "--tb",
        "Content-Type: text/plain",
        "",
        "Look\x1b[2J here\x7f.",
        "--tb",
        "Content-Type: application/octet-stream; name=\"=?ISO-8859-1?Q?=2E=2Eprofile=1B=5B1m?=\"",
        "Content-Transfer-Encoding: base64",
        "",
        *base64_lines(b"data"),
        "--tb--",
    ]))


if __name__ == "__main__":
    main()

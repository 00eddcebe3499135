#!/usr/bin/python3
"""Writes the message files of the viewer and tarvox-cli tests that hold
encoded data (run from anywhere); the other .eml files here are plain text.

Messages are stored as a POP3 RETR leaves them: CR LF line ends, dot-stuffed
lines, the terminating ".". Attachment data is encoded by Python's base64,
quopri and binascii codecs, independent of the program's decoders.
"""
import os
import quopri
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "mime"))
from generate import base64_lines, message, uu_lines  # noqa: E402

EVERY_BYTE = bytes(range(256))
PASSWD = b"root:x:0:0:not really:/root:/bin/sh\nend of file="
UU_DATA = b"uuencoded data\x00\xff\r\n"


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def qp_lines(data):
    text = quopri.encodestring(data, quotetabs=True).decode("ascii")
    return text.split("\n")[:-1] if text.endswith("\n") else text.split("\n")


def main():
    write("every-byte.bin", EVERY_BYTE)
    # Decoded quoted-printable text has CR LF line ends.
    write("passwd.bin", PASSWD.replace(b"\n", b"\r\n"))
    write("uu.bin", UU_DATA)

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


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Writes the test messages with encoded data (by Python's codecs, not the program's) as a
POP3 RETR leaves them: CR LF line ends, dot-stuffed lines, the terminating "."."""
import base64
import binascii
import os
import quopri

EVERY_BYTE = bytes(range(256)) * 4


def write(name, data):
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as f:
        f.write(data)


def message(lines):
    out = []
    for line in lines:
        line = line.encode("latin-1") if isinstance(line, str) else line
        assert b"\r" not in line and b"\n" not in line, line
        out.append((b"." if line.startswith(b".") else b"") + line + b"\r\n")
    return b"".join(out) + b".\r\n"


def base64_lines(data):
    return base64.encodebytes(data).decode("ascii").splitlines()


def uu_lines(data):
    lines = [binascii.b2a_uu(data[i:i + 45], backtick=True).rstrip(b"\n")
             for i in range(0, len(data), 45)]
    return lines + [b"`", b"end"]


def qp_lines(data):  # binary mode: the only line breaks are soft ones
    return binascii.b2a_qp(data, quotetabs=True, istext=False).decode("ascii").split("\n")


write("mime/every-byte.bin", EVERY_BYTE)
text = (b"A base64 text part decodes line by line, so every line of it must"
        b" hold a multiple of four characters.\r\n")
b64 = lambda data: base64.b64encode(data).decode("ascii")
wide = b64(b"Seventy-seven characters is no multiple of four!!!!!!!!!") + "Q"
part = ["--b64-parts", "Content-Type: text/plain", "Content-Transfer-Encoding: base64", ""]
write("mime/base64_parts.eml", message([
    'Content-Type: multipart/mixed; boundary="b64-parts"', "",
    *part, *base64_lines(text),
    *part, b64(b"Kept. "), wide, b64(b"Cut\0off"), b64(b" Also kept."),
    "--b64-parts", "Content-Type: image/png", "Content-Transfer-Encoding: base64", "",
    b64(b"not text, never shown"),
    "--b64-parts", "Content-Type: text/plain", "", "Still base64 here, so not shown.",
    "--b64-parts--"]))
write("mime/uuencode_in_text.eml", message([
    "Content-Type: text/plain", "", "Here is the photo:", "", "begin 644 photo.jpg",
    *uu_lines(EVERY_BYTE[:100]), "", "Bye.", "begin 0644 other.jpg",
    *uu_lines(b"four-digit mode")]))

for name, boundary, encoding, lines_of in (
        ("base64", "rt-base64", "base64", base64_lines),
        ("quoted_printable", "rt-qp", "quoted-printable", qp_lines)):
    lines = [f'Content-Type: multipart/mixed; boundary="{boundary}"', "",
             f"--{boundary}", "Content-Type: text/plain", "", "Two files.", ""]
    for file_name, data in (("empty.bin", b""), ("every-byte.bin", EVERY_BYTE)):
        lines += [f"--{boundary}",
                  f'Content-Type: application/octet-stream; name="{file_name}"',
                  f"Content-Transfer-Encoding: {encoding}", "", *lines_of(data)]
    write(f"mime/roundtrip_{name}.eml", message(lines + [f"--{boundary}--"]))
# "fourteen bytes" uuencodes to a line that starts with ".".
write("mime/roundtrip_uuencode.eml", message([
    "Content-Type: text/plain", "", "begin 644 empty.bin", *uu_lines(b""), "",
    "begin 600 every-byte.bin", *uu_lines(EVERY_BYTE), "",
    "begin 644 dot.bin", *uu_lines(b"fourteen bytes")]))
# A preview download (TOP) that stops after two lines of the attachment.
write("mime/preview_cut.eml", message([
    'Content-Type: multipart/mixed; boundary="cut-boundary"', "",
    "--cut-boundary", "Content-Type: text/plain", "", "The attachment follows.",
    "--cut-boundary", 'Content-Type: application/octet-stream; name="cut.bin"',
    "Content-Transfer-Encoding: base64", "", *base64_lines(EVERY_BYTE)[:2]]))

passwd = b"root:x:0:0:not really:/root:/bin/sh\nend of file="
uu_data = b"uuencoded data\x00\xff\r\n"
write("viewer/every-byte.bin", EVERY_BYTE[:256])
write("viewer/passwd.bin", passwd.replace(b"\n", b"\r\n"))  # decoded with CR LF
write("viewer/uu.bin", uu_data)
qp = quopri.encodestring(passwd, quotetabs=True).decode("ascii").split("\n")
# Attachments with hostile and encoded names, and an empty one.
write("viewer/hostile_names.eml", message([
    "From: attacker@example.com", "To: victim@example.net", "Subject: Files",
    "Content-Type: multipart/mixed; boundary=\"hb\"", "",
    "--hb", "Content-Type: text/plain", "", "Four files.",
    "--hb", "Content-Type: application/octet-stream; name=\"../../evil\"",
    "Content-Transfer-Encoding: base64", "", *base64_lines(EVERY_BYTE[:256]),
    "--hb", "Content-Type: text/plain; name=\"/etc/passwd\"",
    "Content-Transfer-Encoding: quoted-printable", "", *qp,
    "--hb", "Content-Type: application/octet-stream; name=\"=?ISO-8859-1?Q?caf=E9.bin?=\"",
    "Content-Transfer-Encoding: base64", "",
    "--hb", "Content-Type: application/octet-stream; name=\"..\"",
    "Content-Transfer-Encoding: base64", "", *base64_lines(b"dots"),
    "--hb", "Content-Type: text/plain; name=\"C:\\temp\\win.txt\"", "", "windows path",
    "--hb--", "", "begin 644 sub/dir/uu.bin", *uu_lines(uu_data)]))

#!/usr/bin/python3
"""Writes the message files of the MIME body and attachment tests that hold
encoded data (run from anywhere); the other .eml files here are plain text.

Messages are stored as a POP3 RETR leaves them: CR LF line ends, dot-stuffed
lines, the terminating ".". Encoded attachment data comes from Python's own
base64 and binascii codecs, independent of the program's decoders.
"""
import base64
import binascii
import os

HERE = os.path.dirname(os.path.abspath(__file__))

EVERY_BYTE = bytes(range(256)) * 4
DOT_LINE = b"fourteen bytes"  # uuencodes to a line that starts with "."


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def message(lines):
    """Joins text lines (str or bytes) with CR LF, dot-stuffs, terminates."""
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
    # Binary mode encodes CR and LF, so the only line breaks are soft ones.
    text = binascii.b2a_qp(data, quotetabs=True, istext=False).decode("ascii")
    lines = text.split("\n")
    assert all(not line.startswith(".") for line in lines)
    return lines


def uu_lines(data):
    lines = []
    for i in range(0, len(data), 45):
        line = binascii.b2a_uu(data[i:i + 45], backtick=True)
        lines.append(line.rstrip(b"\n"))
    return lines + [b"`", b"end"]


def main():
    write("every-byte.bin", EVERY_BYTE)

    text = (b"A base64 text part decodes line by line, so every line of it must"
            b" hold a multiple of four characters.\r\n")
    wide = base64.b64encode(b"Seventy-seven characters is no multiple of four!!!!!!!!!")
    wide = wide.decode("ascii") + "Q"
    assert len(wide) == 77
    write("base64_parts.eml", message([
        'Content-Type: multipart/mixed; boundary="b64-parts"',
        "",
        "--b64-parts",
        "Content-Type: text/plain",
        "Content-Transfer-Encoding: base64",
        "",
        *base64_lines(text),
        "--b64-parts",
        "Content-Type: text/plain",
        "Content-Transfer-Encoding: base64",
        "",
        base64.b64encode(b"Kept. ").decode("ascii"),
        wide,
        base64.b64encode(b"Cut\0off").decode("ascii"),
        base64.b64encode(b" Also kept.").decode("ascii"),
        "--b64-parts",
        "Content-Type: image/png",
        "Content-Transfer-Encoding: base64",
        "",
        base64.b64encode(b"not text, never shown").decode("ascii"),
        "--b64-parts",
        "Content-Type: text/plain",
        "",
        "Still base64 here, so not shown.",
        "--b64-parts--",
    ]))

    write("uuencode_in_text.eml", message([
        "Content-Type: text/plain",
        "",
        "Here is the photo:",
        "",
        "begin 644 photo.jpg",
        *uu_lines(EVERY_BYTE[:100]),
        "",
        "Bye.",
        "begin 0644 other.jpg",
        *uu_lines(b"four-digit mode"),
    ]))

    def roundtrip(name, boundary, encoding, lines_of):
        lines = [f'Content-Type: multipart/mixed; boundary="{boundary}"', "",
                 f"--{boundary}", "Content-Type: text/plain", "", "Two files.", ""]
        for file_name, data in (("empty.bin", b""), ("every-byte.bin", EVERY_BYTE)):
            lines += [
                f"--{boundary}",
                f'Content-Type: application/octet-stream; name="{file_name}"',
                f"Content-Transfer-Encoding: {encoding}",
                "",
                *lines_of(data),
            ]
        lines.append(f"--{boundary}--")
        write(name, message(lines))

    roundtrip("roundtrip_base64.eml", "rt-base64", "base64", base64_lines)
    roundtrip("roundtrip_quoted_printable.eml", "rt-qp", "quoted-printable", qp_lines)

    write("roundtrip_uuencode.eml", message([
        "Content-Type: text/plain",
        "",
        "begin 644 empty.bin",
        *uu_lines(b""),
        "",
        "begin 600 every-byte.bin",
        *uu_lines(EVERY_BYTE),
        "",
        "begin 644 dot.bin",
        *uu_lines(DOT_LINE),
    ]))

    # A preview download (TOP) that stops after two lines of the attachment.
    cut = base64_lines(EVERY_BYTE)[:2]
    write("preview_cut.eml", message([
        'Content-Type: multipart/mixed; boundary="cut-boundary"',
        "",
        "--cut-boundary",
        "Content-Type: text/plain",
        "",
        "The attachment follows.",
        "--cut-boundary",
        'Content-Type: application/octet-stream; name="cut.bin"',
        "Content-Transfer-Encoding: base64",
        "",
        *cut,
    ]))


if __name__ == "__main__":
    main()

"""Reads one delivered message with Python's email package, as an independent
check of what the client sent, and prints what it found as JSON."""
import email
import email.header
import email.policy
import hashlib
import json
import sys


def decoded(value):
    if value is None:
        return None
    parts = []
    for text, charset in email.header.decode_header(str(value)):
        if isinstance(text, bytes):
            text = text.decode(charset or "ascii")
        parts.append(text)
    return "".join(parts)


def main():
    with open(sys.argv[1], "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.compat32)
    result = {
        "subject": decoded(message["Subject"]),
        "from": decoded(message["From"]),
        "to": decoded(message["To"]),
        "cc": decoded(message["CC"]),
        "has_bcc": message["Bcc"] is not None,
        "multipart": message.is_multipart(),
        "body": None,
        "attachments": [],
    }
    for part in message.walk():
        if part.is_multipart():
            continue
        filename = part.get_filename()
        payload = part.get_payload(decode=True) or b""
        if filename is None:
            charset = part.get_content_charset() or "us-ascii"
            result["body"] = payload.decode(charset)
        else:
            result["attachments"].append({
                "name": decoded(filename),
                "sha256": hashlib.sha256(payload).hexdigest(),
            })
    json.dump(result, sys.stdout, ensure_ascii=True)


if __name__ == "__main__":
    main()

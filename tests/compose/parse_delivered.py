"""Reads one delivered message with Python's email package, as an independent check of what
the client sent, and prints what it found as JSON; each attachment is compared with the file of
its name in the folder given second."""
import email
import email.policy
import json
import pathlib
import sys

with open(sys.argv[1], "rb") as source:
    message = email.message_from_binary_file(source, policy=email.policy.default)
result = {name.lower(): str(message[name]) for name in ("Subject", "From", "To", "CC")}
result.update(has_bcc=message["Bcc"] is not None, multipart=message.is_multipart(), body=None,
              attachments=[])
for part in message.walk():
    if part.is_multipart():
        continue
    if part.get_filename() is None:
        result["body"] = part.get_content()
    else:
        payload = part.get_payload(decode=True) or b""
        original = pathlib.Path(sys.argv[2], part.get_filename()).read_bytes()
        result["attachments"].append({"name": part.get_filename(), "same": payload == original})
json.dump(result, sys.stdout, ensure_ascii=True)

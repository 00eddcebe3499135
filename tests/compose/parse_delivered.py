"""Reads one delivered message with Python's email package, as an independent check of what
the client sent, and prints what it found as JSON."""
import email
import email.policy
import hashlib
import json
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
        result["attachments"].append({"name": part.get_filename(),
                                      "sha256": hashlib.sha256(payload).hexdigest()})
json.dump(result, sys.stdout, ensure_ascii=True)

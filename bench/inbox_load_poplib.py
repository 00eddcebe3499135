#!/usr/bin/python3
"""The baseline of the inbox loading benchmark: what a user could script with poplib.

    inbox_load_poplib.py HOST PORT USER [--parse]   (password on standard input)

Logs in with USER and PASS, asks LIST, then "TOP n 0" for every listed message, one
command at a time (poplib waits for each reply before sending the next command). With
--parse each header block is also read by the email package, and its From, Date and
Subject are taken, as a script that shows a list would do. Prints "messages M bytes B"
(B counts the header lines poplib hands back, without their line ends) and exits 0.

Kept apart from the driver so that the measured process imports only what such a
script would.
"""

import poplib
import sys


def main():
    host, port, user = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    parse = "--parse" in sys.argv[4:]
    password = sys.stdin.readline().rstrip("\r\n")
    if parse:
        from email.parser import BytesHeaderParser
        from email.policy import compat32
        parser = BytesHeaderParser(policy=compat32)
    box = poplib.POP3(host, port)
    box.user(user)
    box.pass_(password)
    _, listing, _ = box.list()
    numbers = [int(line.split()[0]) for line in listing]
    total = 0
    rows = []
    for number in numbers:
        _, lines, _ = box.top(number, 0)
        total += sum(len(line) for line in lines)
        if parse:
            headers = parser.parsebytes(b"\r\n".join(lines))
            rows.append((number, headers["From"], headers["Date"], headers["Subject"]))
    box.quit()
    print("messages %d bytes %d" % (len(numbers), total))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env bash
# Installs what is missing, builds Tarvox and starts it on the demo mailbox: a
# throw-away Dovecot POP3 server with sample mail for "alice" and an SMTP server
# delivering into the same mailbox, both on loopback ports, and a settings file
# whose profile "Demo" reads them. Everything lives in a temporary folder that
# is removed, with both servers stopped, when the program ends.
#
#   scripts/start.sh [ARGUMENTS FOR tarvox]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${root}"

scripts/install-deps.sh
# Only the program and the command-line tool: the tests are scripts/test.sh's.
TARVOX_TARGETS="tarvox tarvox-cli" scripts/build.sh "${root}/build"

demo="$(mktemp -d "${TMPDIR:-/tmp}/tarvox-demo-XXXXXX")"
servers="${root}/scripts/test-servers"
cleanup() {
    /usr/bin/python3 "${servers}/smtp_server.py" stop --dir "${demo}/smtp" >/dev/null 2>&1 || true
    /usr/bin/python3 "${servers}/dovecot_server.py" stop --dir "${demo}/dovecot" >/dev/null 2>&1 || true
    rm -rf "${demo}"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Dovecot's own processes run as another user when started by root: they must be
# able to pass through the folder (but not list it).
chmod 711 "${demo}"
mkdir -p "${demo}/dovecot" "${demo}/smtp"
mkdir -m 700 "${demo}/home"
dovecot_info="$(/usr/bin/python3 "${servers}/dovecot_server.py" start --dir "${demo}/dovecot" --messages 12)"
# The scripts describe the server in key=value lines.
field() { sed -n "s/^$2=//p" <<<"$1"; }
maildir="$(field "${dovecot_info}" maildir.alice)"
smtp_info="$(/usr/bin/python3 "${servers}/smtp_server.py" start --dir "${demo}/smtp" --maildir "${maildir}")"

"${root}/build/src/cli/tarvox-cli" demo-settings "${demo}/home/tarvox.ini" \
    --pop3-port "$(field "${dovecot_info}" plain_port)" \
    --smtp-port "$(field "${smtp_info}" plain_port)"

echo "Demo mailbox: alice on 127.0.0.1, POP3 port $(field "${dovecot_info}" plain_port)," \
     "SMTP port $(field "${smtp_info}" plain_port); settings in ${demo}/home"
TARVOX_HOME="${demo}/home" "${root}/build/src/app/tarvox" "$@"

#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Tarvox needs, when they are
# missing. Runs apt-get only when something is missing.
set -euo pipefail

# Later features add their packages here.
PACKAGES=(
    build-essential
    cmake
    ninja-build
    ccache               # the compiler cache scripts/build.sh uses when present
    pkg-config
    git
    libgtest-dev
    libgmock-dev
    clang                # the fuzzers are built with clang
    libclang-rt-14-dev   # the libFuzzer runtime
    dovecot-core         # the real POP3 server of the tests (scripts/test-servers)
    dovecot-pop3d
    openssl              # test certificates
    libssl-dev
    libsodium-dev        # Argon2id and the AEAD of the master passphrase's strong form
    python3              # the test-server scripts run with /usr/bin/python3
    tzdata               # date tests use real time zones
    python3-aiosmtpd     # the real SMTP server of the tests (scripts/test-servers)
    libbenchmark-dev     # bench/ (Google Benchmark)
    gnupg                # the GnuPG tests run the real gpg with keys made for them
    qt6-base-dev         # the Qt 6 program (Widgets, Network, PrintSupport)
    qt6-qpa-plugins      # its platforms, "offscreen" for the tests among them
    poppler-utils        # pdfinfo and pdftotext read back what the printing tests print
    xdg-utils            # xdg-mime reads back the desktop registrations in their tests
    desktop-file-utils   # desktop-file-validate and update-desktop-database
    shared-mime-info     # update-mime-database, for the .tvx type
    qtkeychain-qt6-dev   # the desktop keyring (Secret Service, KWallet) for stored passwords
    libsecret-1-0        # QtKeychain's way to the Secret Service, loaded at run time
    gnome-keyring        # the real keyring of the keyring tests, on a private session bus
    dbus-daemon          # that private session bus
    dbus-bin             # dbus-send, to wait for the keyring to take its bus name
)

missing=()
for package in "${PACKAGES[@]}"; do
    status="$(dpkg-query -W -f='${Status}' "${package}" 2>/dev/null || true)"
    if [[ "${status}" != "install ok installed" ]]; then
        missing+=("${package}")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#PACKAGES[@]} packages are installed"
    exit 0
fi

as_root=()
if ((EUID != 0)); then
    as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"

# Installing Dovecot may start the system's own server on every interface; the tests start
# their own on loopback ports, so the system one is stopped and kept from starting again.
if [[ " ${missing[*]} " == *" dovecot-core "* ]]; then
    if [[ -d /run/systemd/system ]]; then
        "${as_root[@]}" systemctl disable --now dovecot.socket dovecot.service || true
    else
        "${as_root[@]}" service dovecot stop || true
        "${as_root[@]}" systemctl disable dovecot.socket dovecot.service 2>/dev/null || true
    fi
fi

#!/usr/bin/env bash
# Installs a build into a throw-away prefix and checks what an installation holds: the
# programs, the desktop entries (desktop-file-validate), the saved-message type, the icon,
# the help page, the man pages; then builds the Debian package from it and checks its
# dependencies and contents.
#
#   scripts/check-install.sh BUILD_DIR
set -euo pipefail

build="$(cd "$1" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tarvox-install-XXXXXX")"
trap 'rm -rf "${work}"' EXIT
prefix="${work}/prefix"
failed=0
fail() {
    echo "check-install: $*" >&2
    failed=1
}

cmake --install "${build}" --prefix "${prefix}" >/dev/null
for file in bin/tarvox bin/tarvox-cli \
    share/applications/tarvox.desktop share/applications/tarvox-viewer.desktop \
    share/mime/packages/tarvox.xml share/icons/hicolor/scalable/apps/tarvox.svg \
    share/icons/hicolor/16x16/apps/tarvox.png share/icons/hicolor/256x256/apps/tarvox.png \
    share/tarvox/tvx-help.htm share/tarvox/images/mailman.png \
    share/man/man1/tarvox.1 share/man/man1/tarvox-cli.1; do
    [[ -f "${prefix}/${file}" ]] || fail "the installation has no ${file}"
done
desktop-file-validate "${prefix}"/share/applications/*.desktop || fail "a desktop entry is not valid"
if command -v groff >/dev/null 2>&1; then
    for page in "${prefix}"/share/man/man1/*.1; do
        [[ -z "$(groff -man -ww -z "${page}" 2>&1)" ]] || fail "groff warns about ${page}"
    done
fi
"${prefix}/bin/tarvox-cli" --version >/dev/null || fail "the installed tarvox-cli does not run"

cpack -G DEB --config "${build}/CPackConfig.cmake" -B "${work}/package" >/dev/null
deb="$(ls "${work}"/package/*.deb)"
depends="$(dpkg-deb -f "${deb}" Depends)"
for package in libqt6widgets6 libqt6dbus6 libqt6keychain1 qt6-qpa-plugins; do
    [[ "${depends}" == *"${package}"* ]] || fail "the package does not depend on ${package}: ${depends}"
done
[[ "${depends}" != *libssl* ]] || fail "OpenSSL is loaded at run time; it must not be a dependency"
[[ "$(dpkg-deb -f "${deb}" Recommends)" == *libssl3*libcanberra0*libsecret-1-0* ]] || fail "Recommends is wrong"
[[ "$(dpkg-deb -f "${deb}" Suggests)" == *gnupg* ]] || fail "Suggests is wrong"
contents="$(dpkg-deb -c "${deb}")"
grep -q ' ./usr/share/tarvox/tvx-help.htm$' <<<"${contents}" || fail "the package has no help page"
grep -q ' ./usr/bin/tarvox$' <<<"${contents}" || fail "the package has no tarvox"

if ((failed)); then
    exit 1
fi
echo "check-install: the installation and $(basename "${deb}") are complete"

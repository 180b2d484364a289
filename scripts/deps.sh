#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(cmake g++ pkg-config libgtest-dev libgmock-dev libglib2.0-dev rsync
          qt6-base-dev libgl-dev fonts-ipafont-gothic xvfb xauth dbus desktop-file-utils
          qt6-translations-l10n qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools appstream
          fonts-dejavu-core libsqlite3-dev strace
          exfat-fuse exfatprogs btrfs-progs acl attr e2fsprogs sshfs openssh-server openssh-client
          clang libclang-rt-14-dev ccache)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The remote-folder tests start their own sshd, which wants its privilege
# separation folder (made by the service's start-up, which never runs here).
if [ ! -d /run/sshd ] && [ "$(id -u)" -eq 0 ]; then
  mkdir -p /run/sshd && chmod 0755 /run/sshd
fi

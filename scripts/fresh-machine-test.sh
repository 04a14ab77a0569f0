#!/usr/bin/env bash
# Runs the README's test command as a newcomer would: in a minimal Debian 12 root made by debootstrap
# (variant minbase, nothing installed by hand), on a clean clone of the current commit (the commit, not the
# working tree), `bash scripts/test.sh` as root in a chroot with /proc, /sys, /dev (with /dev/pts and
# /dev/shm) and /tmp mounted. It installs its packages from the mirror, builds, and runs every test, Wine
# and Xvfb among them. A tool that came only from this machine and not from a package of scripts/tools.txt
# fails it. Not part of CI: it takes about as long as the installs and a full test run together.
#
# The minimal root is made once and kept as a tarball (build/fresh-machine/bookworm-minbase.tar); every run
# starts from a fresh copy of it. The mounts are removed however the run ends, the root with them.
#
# Usage: bash scripts/fresh-machine-test.sh [--keep]    (as root; installs debootstrap when missing)
#   --keep                 leaves the root in build/fresh-machine/root for a look after the run
#   XPC_FRESH_MIRROR       the Debian mirror (http://deb.debian.org/debian)
#   XPC_FRESH_SECURITY     the security mirror (http://deb.debian.org/debian-security)
#   XPC_*                  other XPC_ variables (XPC_WERROR, XPC_FUZZ_SECONDS) are passed to the run
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
mirror=${XPC_FRESH_MIRROR:-http://deb.debian.org/debian}
security=${XPC_FRESH_SECURITY:-http://deb.debian.org/debian-security}
dir=$here/build/fresh-machine
cache=$dir/bookworm-minbase.tar
root=$dir/root
keep=false
case "${1:-}" in
  --keep) keep=true ;;
  "") ;;
  *) echo "usage: bash scripts/fresh-machine-test.sh [--keep]" >&2; exit 2 ;;
esac

say() { echo "fresh-machine-test: $*"; }
fail() {
  echo "fresh-machine-test: FAILED: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || fail "run it as root (debootstrap, mount and chroot need root)"
if ! command -v debootstrap >/dev/null; then
  say "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null ||
    fail "debootstrap cannot be installed (apt-get install debootstrap)"
fi

# Everything mounted at or below $1, deepest first.
mounts_under() {
  awk -v top="$1" '$2 == top || index($2, top "/") == 1 { print $2 }' /proc/self/mounts | sort -r
}
# Ends what still runs inside $1 (a Wine server, an X server after a failure), then unmounts everything
# below it. Leaves nothing mounted there, or fails.
release() {
  local top=$1 proc m
  for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$top" ]; then kill -9 "${proc#/proc/}" 2>/dev/null || true; fi
  done
  for m in $(mounts_under "$top"); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  [ -z "$(mounts_under "$top")" ] || fail "still mounted below $top: $(mounts_under "$top" | tr '\n' ' ')"
}
# Removes a root; never while anything is mounted below it (/tmp is this machine's own /tmp).
remove() {
  [ -e "$1" ] || return 0
  release "$1"
  rm -rf --one-file-system "$1"
}

mkdir -p "$dir"
if [ ! -f "$cache" ]; then
  say "making a minimal Debian 12 root with debootstrap from $mirror (once: kept in $cache)"
  trap 'release "$dir/bootstrap"' EXIT
  remove "$dir/bootstrap"
  debootstrap --variant=minbase bookworm "$dir/bootstrap" "$mirror" >"$dir/debootstrap.log" 2>&1 ||
    fail "debootstrap failed (see $dir/debootstrap.log)"
  release "$dir/bootstrap"
  tar -C "$dir/bootstrap" -cf "$cache.part" . && mv "$cache.part" "$cache"
  remove "$dir/bootstrap"
  trap - EXIT
fi

commit=$(git -C "$here" rev-parse HEAD)
[ -z "$(git -C "$here" status --porcelain)" ] || say "note: changes not committed are not part of the run"
say "unpacking the minimal root into $root"
remove "$root"
mkdir "$root"
cleanup() {
  release "$root"
  if $keep; then say "the root stays in $root"; else remove "$root"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
tar -C "$root" -xf "$cache"

# What a fresh installation has: the mirrors with updates and security updates, name resolution.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf /etc/hosts "$root/etc/"

say "cloning commit $commit into /src/xpconvert"
git clone --quiet --no-hardlinks "$here" "$root/src/xpconvert"
git -C "$root/src/xpconvert" checkout --quiet --detach "$commit"

# /tmp is this machine's: the X servers' lock files there let xvfb-run -a in the chroot pick a display
# that no X server outside uses (their sockets share one namespace).
mount -t proc proc "$root/proc"
for m in sys dev; do
  mount --rbind "/$m" "$root/$m"
  mount --make-rslave "$root/$m"
done
mount --bind /tmp "$root/tmp"

mapfile -t passed < <(env | grep '^XPC_' | grep -v '^XPC_FRESH_' || true)
say "running 'bash scripts/test.sh' in the chroot${passed[*]:+ with ${passed[*]}}"
start=$SECONDS
status=0
chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${passed[@]}" \
  bash -c 'cd /src/xpconvert && bash scripts/test.sh' || status=$?
took="$(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
[ "$status" -eq 0 ] || fail "scripts/test.sh ended with status $status after $took on a fresh Debian 12"
say "passed: scripts/test.sh on a fresh Debian 12 in $took"

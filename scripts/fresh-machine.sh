#!/bin/sh
# Tries the README's two commands as a new user on a fresh Debian 12 would: builds a minimal
# bookworm root with debootstrap (plus git, make and ca-certificates), clones the committed HEAD of
# this checkout into it, and runs `make demo` and `make check` there.
#   --package       then `make package` in that root, and installs the package into a second fresh
#                   root, where sonaro-convert converts the sample and sonaro --version runs
#   --package-only  the package step alone (no demo, no check)
#   --keep          leave the roots in WORK_DIR instead of removing them
# Usage: sudo scripts/fresh-machine.sh [--package | --package-only] [--keep] [WORK_DIR]
# WORK_DIR (default /var/tmp/sonaro-fresh) keeps the downloaded packages of the base system in a
# tarball between runs; every run still makes its roots afresh from it.
set -eu

checks=yes
package=no
keep=no
work=/var/tmp/sonaro-fresh
for arg in "$@"; do
    case "$arg" in
        --package) package=yes ;;
        --package-only) package=yes checks=no ;;
        --keep) keep=yes ;;
        -*) echo "fresh-machine: unknown option $arg" >&2; exit 2 ;;
        *) work=$arg ;;
    esac
done
[ "$(id -u)" -eq 0 ] || { echo "fresh-machine: run as root (debootstrap, chroot, mount)" >&2; exit 2; }

checkout=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$checkout" rev-parse HEAD)
"$checkout/scripts/install-deps.sh" fresh

# The machine's own Debian mirror, as its apt configuration names it (one-line or deb822 style).
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk '$1 == "deb" && $0 ~ / bookworm / { for (i = 2; i <= NF; i++) if ($i !~ /^\[/) { print $i; exit } }')
if [ -z "$mirror" ]; then
    mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '
        /^$/ { if (suites ~ /(^| )bookworm( |$)/ && uri != "") { print uri; exit } suites = uri = "" }
        /^URIs:/ { uri = $2 } /^Suites:/ { suites = $0 }
        END { if (suites ~ /(^| )bookworm( |$)/ && uri != "") print uri }' | head -n 1)
fi
[ -n "$mirror" ] || { echo "fresh-machine: no bookworm mirror in /etc/apt/sources.list*" >&2; exit 1; }

mkdir -p "$work"
log="$work/fresh-machine.log"
: >"$log"
say() { echo "fresh-machine: $*" | tee -a "$log"; }

# remove DIR: deletes a root, never anything mounted inside it (the machine's /dev, /sys).
remove() {
    if awk -v dir="$1/" 'index($2 "/", dir) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "fresh-machine: $1 still has file systems mounted; left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$1"
}

mounted=""
cleanup() {
    for dir in $mounted; do umount -R "$dir" 2>/dev/null || umount -lR "$dir" 2>/dev/null || true; done
    if [ "$keep" = no ]; then
        remove "$work/root1" || true
        remove "$work/root2" || true
    fi
}
trap cleanup EXIT INT TERM

# The base system's packages, downloaded once; each root is still installed from them anew.
tarball="$work/bookworm-minbase.tgz"
if [ ! -f "$tarball" ]; then
    say "downloading the base system from $mirror"
    debootstrap --variant=minbase --include=git,make,ca-certificates \
        --make-tarball="$tarball" bookworm "$work/tarball-root" "$mirror" >>"$log" 2>&1
    remove "$work/tarball-root"
fi

# fresh_root DIR: a new minimal bookworm root with /proc, /sys and /dev of the machine.
fresh_root() {
    root=$1
    remove "$root"
    debootstrap --variant=minbase --include=git,make,ca-certificates \
        --unpack-tarball="$tarball" bookworm "$root" "$mirror" >>"$log" 2>&1
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # No services are started inside a chroot.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    mount -t proc proc "$root/proc"
    mounted="$root/proc $mounted"
    for dir in sys dev; do
        mount --rbind "/$dir" "$root/$dir"
        mount --make-rslave "$root/$dir"
        mounted="$root/$dir $mounted"
    done
}

# in_root ROOT COMMAND: runs a shell command as root of ROOT, with a clean environment.
in_root() {
    chroot "$1" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        TERM=dumb sh -c "$2"
}

# timed NAME ROOT COMMAND: runs the command in the root, logs its output (kept in $step too) and
# says how long it took.
step="$work/step.out"
timed() {
    start=$(date +%s)
    if in_root "$2" "$3" >"$step" 2>&1; then result=passed; else result=FAILED; fi
    cat "$step" >>"$log"
    say "$1: $result in $(($(date +%s) - start)) s"
    [ "$result" = passed ]
}

root1="$work/root1"
start=$(date +%s)
fresh_root "$root1"
say "fresh root $root1 made in $(($(date +%s) - start)) s"
git clone --quiet --no-hardlinks "$checkout" "$root1/root/sonaro"
git -C "$root1/root/sonaro" checkout --quiet --detach "$commit"
say "cloned $commit"

if [ "$checks" = yes ]; then
    timed "make demo" "$root1" "cd /root/sonaro && make demo"
    timed "make check" "$root1" "cd /root/sonaro && make check"
fi

if [ "$package" = yes ]; then
    timed "make package" "$root1" "cd /root/sonaro && make package"
    root2="$work/root2"
    fresh_root "$root2"
    cp "$root1"/root/sonaro/build/sonaro_*.deb "$checkout/resources/sample/sample.wav" "$root2/root/"
    timed "apt-get install ./sonaro_*.deb" "$root2" \
        "cd /root && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ./sonaro_*.deb"
    timed "sonaro-convert and sonaro --version from the package" "$root2" \
        "cd /root && sonaro-convert --print-result sample.wav -o out.wav && sonaro --version"
    cat "$step"
fi
say "done; the whole output is in $log"

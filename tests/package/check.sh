#!/usr/bin/env bash
# The package as Debian's tools and a clean machine see it: lintian, the
# desktop entry and the AppStream metadata validated; then, in a bare
# Debian 12 root made with debootstrap, the package installed with apt (which
# must pull every dependency), its version and manual page, and a normal user
# starting it offscreen, a simulated box connecting, and SIGTERM saving the
# registry. Needs root and a Debian mirror; takes minutes.
set -euo pipefail
dist=$(realpath "${1:-dist}")
deb=$(ls "$dist"/boxfleet_*_amd64.deb | head -n 1)
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

echo "== lintian"
lintian --fail-on error "$deb"

echo "== desktop entry and AppStream metadata"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/boxfleet.desktop"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

echo "== a bare Debian 12 root"
root=$(mktemp -d /var/tmp/boxfleet-root.XXXXXX)
chmod 755 "$root"
cleanup() {
    for m in proc dev/pts dev sys; do umount -l "$root/$m" 2>/dev/null || true; done
    rm -rf "$root" "$unpacked"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t sysfs sys "$root/sys"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq
in_root apt-get install -y -qq "/tmp/$(basename "$deb")" >/dev/null

echo "== installed"
in_root boxfleet --version
in_root test -s /usr/share/man/man1/boxfleet.1.gz
in_root test -x "/usr/lib/x86_64-linux-gnu/boxfleet/boxsim"
in_root test -f "/usr/lib/x86_64-linux-gnu/boxfleet/libvestrid.so"

echo "== a normal user runs it, a box connects, SIGTERM saves the registry"
in_root useradd --create-home --user-group boxop
cat > "$root/tmp/run.sh" <<'SCRIPT'
#!/bin/sh
set -e
export QT_QPA_PLATFORM=offscreen HOME=/home/boxop
cd "$HOME"
boxfleet --content "$HOME/content/" --service-ip 127.0.0.1 --box-port 19988 --echo-log > server.log 2>&1 &
server=$!
for i in $(seq 1 30); do
    test -f "$HOME/.config/boxfleet/Deploy.ini" && break
    sleep 1
done
/usr/lib/x86_64-linux-gnu/boxfleet/boxsim --host 127.0.0.1 --port 19988 -n 2 --quiet > boxsim.log 2>&1 &
box=$!
for i in $(seq 1 60); do
    grep -q heatbeat server.log 2>/dev/null && break
    sleep 1
done
kill $box || true
kill -TERM $server
wait $server
test -f "$HOME/.config/boxfleet/Deploy.ini"
grep -q 'MAC' "$HOME/content/MacGroup.ini"
echo "registry saved: $(grep -c MAC "$HOME/content/MacGroup.ini") lines"
SCRIPT
chmod 755 "$root/tmp/run.sh"
chroot --userspec=boxop:boxop "$root" /usr/bin/env -i PATH=/usr/bin:/bin /tmp/run.sh
echo "package check passed"

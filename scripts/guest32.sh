#!/usr/bin/env bash
# Runs a command in the project's folder inside a small emulated machine whose kernel runs 32-bit
# programs, for machines whose own kernel does not: the 32-bit Windows build's tests under 32-bit
# Wine need one. Usage: guest32.sh COMMAND [ARG...]   (e.g. guest32.sh bash scripts/test-win32.sh)
#
# The guest is this machine's own system: Debian's amd64 kernel (unpacked by
# scripts/install-deps.sh into build-win32/guest/linux), a busybox initramfs as its first
# process, this machine's root shared read-only over virtio-9p as the guest's root, and the
# project's folder shared read-write at its own path, so every path is the same inside and out.
# QEMU emulates the processor in software (no KVM needed). The command's output goes to this
# terminal and to build-win32/guest/output; its exit status is this script's. The run fails when
# the guest leaves no status (it failed to start the command; its console output says why) or
# when it passes the time limit GUEST32_TIMEOUT (seconds, default 1800; the 32-bit tests take
# about 9 minutes there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
guest="$root/build-win32/guest"
linux="$guest/linux"
limit=${GUEST32_TIMEOUT:-1800}

die() {
  echo "guest32: $*" >&2
  exit 1
}
# What the emulated machine is made of; without it, nothing that needs it can run here.
missing() { die "no emulated machine can be started here: $*"; }
[ $# -gt 0 ] || die "usage: guest32.sh COMMAND [ARG...]"
command -v qemu-system-x86_64 >/dev/null ||
  missing "no qemu-system-x86_64 (package qemu-system-x86; scripts/install-deps.sh all installs it)"
busybox=$(command -v busybox) || missing "no busybox (package busybox-static)"
# The initramfs holds busybox alone, without a C library.
if ldd "$busybox" >/dev/null 2>&1; then missing "$busybox is not statically linked (package busybox-static)"; fi
kernel=$(ls "$linux"/boot/vmlinuz-* 2>/dev/null | head -n 1)
[ -n "$kernel" ] || missing "no guest kernel in $linux (scripts/install-deps.sh all unpacks it)"
modules=$(ls -d "$linux"/lib/modules/*/kernel)

# The initramfs: busybox, the modules that virtio-9p needs (each after those it depends on, as
# the module itself names them), the first process's script and the paths it needs.
work="$guest/initramfs"
rm -rf "$work"
mkdir -p "$work/bin" "$work/modules" "$work/proc" "$work/sys" "$work/dev" "$work/host"
cp "$busybox" "$work/bin/busybox"
loaded=" "
add_module() {
  local name=$1 file dep
  case "$loaded" in *" $name "*) return 0 ;; esac
  file=$(find "$modules" \( -name "$name.ko" -o -name "${name//_/-}.ko" \) | head -n 1)
  [ -n "$file" ] || die "kernel module $name not found under $modules"
  for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
    add_module "$dep"
  done
  cp "$file" "$work/modules/$name.ko"
  echo "$name" >>"$work/modules/order"
  loaded="$loaded$name "
}
for m in virtio_pci 9pnet_virtio 9p; do add_module "$m"; done
printf '%s\n' "$root" >"$work/project-folder"
cat >"$work/init" <<'EOF'
#!/bin/busybox sh
# The emulated machine's first process: mounts the host's root and the project's folder, runs
# the project's command in them, then powers the machine off whatever happened.
/bin/busybox --install -s /bin
export PATH=/bin
halt() {
  [ -z "$1" ] || echo "guest32 (in the guest): $1"
  sync
  poweroff -f
}
mount -t proc proc /proc && mount -t sysfs sysfs /sys && mount -t devtmpfs devtmpfs /dev ||
  halt "could not mount /proc, /sys and /dev"
for m in $(cat /modules/order); do insmod "/modules/$m.ko" || halt "could not load module $m"; done
# Page cache on both shares: without it reads over 9p can come back short.
opts=trans=virtio,version=9p2000.L,msize=262144,cache=loose
mount -t 9p -o "$opts,ro" hostroot /host || halt "could not mount the host's root"
for d in proc sys dev; do mount --move "/$d" "/host/$d" || halt "could not move /$d"; done
mount -t tmpfs -o mode=1777 tmpfs /host/tmp && mount -t tmpfs -o mode=755 tmpfs /host/run &&
  mkdir -p /host/dev/shm /host/dev/pts && mount -t tmpfs -o mode=1777 tmpfs /host/dev/shm &&
  mount -t devpts -o newinstance,ptmxmode=0666 devpts /host/dev/pts || halt "could not mount the guest's own folders"
# At its own path, after the fresh /tmp: a project under /tmp is found there too.
project=$(cat /project-folder)
mkdir -p "/host$project" && mount -t 9p -o "$opts" project "/host$project" ||
  halt "could not mount the project's folder at $project"
chroot /host /bin/sh "$project/build-win32/guest/run"
halt ""
EOF
chmod +x "$work/init"
initrd="$guest/initramfs.cpio"
(cd "$work" && find . | "$busybox" cpio -o -H newc 2>/dev/null) >"$initrd"

# What the guest runs in the project's folder, as this script's user, with a plain environment.
{
  echo 'set -o pipefail'
  printf '%q ' "$@"
  echo '2>&1 | tee build-win32/guest/output'
  echo 'echo "${PIPESTATUS[0]}" >build-win32/guest/status'
} >"$guest/command"
cat >"$guest/run" <<EOF
#!/bin/sh
cd $(printf %q "$root") || exit 1
exec setpriv --reuid=$(id -u) --regid=$(id -g) --clear-groups env -i HOME=/tmp LANG=C.UTF-8 \\
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash build-win32/guest/command
EOF
rm -f "$guest/status" "$guest/output"

cpus=$(nproc)
[ "$cpus" -le 4 ] || cpus=4
started=$SECONDS
echo "guest32: starting the emulated machine ($cpus processors, 3 GB, limit $limit s) to run: $*"
share="local,security_model=none,multidevs=remap"
rc=0
timeout -k 10 "$limit" qemu-system-x86_64 -nodefaults -no-reboot -display none -serial stdio \
  -machine q35 -accel tcg -cpu max,-smap -smp "$cpus" -m 3G \
  -kernel "$kernel" -initrd "$initrd" -append "console=ttyS0 quiet panic=-1" \
  -virtfs "$share,path=/,mount_tag=hostroot,readonly=on" \
  -virtfs "$share,path=$root,mount_tag=project" </dev/null | tr -d '\r' || rc=$?
echo "guest32: the emulated machine ran $((SECONDS - started)) s"
[ "$rc" -ne 124 ] || die "the emulated machine passed its time limit of $limit s"
[ -s "$guest/status" ] || die "the emulated machine left no exit status (qemu status $rc): the command did not run"
exit "$(cat "$guest/status")"

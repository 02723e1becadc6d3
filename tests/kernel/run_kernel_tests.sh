#!/usr/bin/env bash
# Usage: run_kernel_tests.sh TEST_PROGRAM WORK_DIR. Boots the installed Debian
# kernel under QEMU (no KVM) with two "edu" devices and an ivshmem-plain one,
# runs the static test program in it (guest_init.sh) and passes when every
# phase passed on the serial console. Skips (77) only for a missing package.
set -euo pipefail
program=$1 work=$2 here=$(cd "$(dirname "$0")" && pwd)

skip() { echo "SKIPPED: $1; scripts/install-deps.sh installs it"; exit 77; }
command -v qemu-system-x86_64 >/dev/null || skip "no qemu-system-x86_64 (qemu-system-x86)"
command -v cpio >/dev/null || skip "no cpio"
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1) || true
[ -n "$kernel" ] || skip "no kernel in /boot (linux-image-amd64)"
modules=/lib/modules/${kernel#/boot/vmlinuz-}/kernel/drivers/uio
[ -f "$modules/uio_pci_generic.ko" ] || skip "no $modules/uio_pci_generic.ko"
[ -x /bin/busybox ] && ! readelf -l /bin/busybox | grep -q INTERP || skip "no static /bin/busybox (busybox-static)"

# The initramfs: busybox, the UIO modules, the test program, a user and the
# group of the README's udev rule.
root=$work/root log=$work/console.log
rm -rf "$root" && mkdir -p "$root"/{bin,dev,etc,modules,proc,sys}
cp /bin/busybox "$program" "$root/bin/"
cp "$modules/uio.ko" "$modules/uio_pci_generic.ko" "$root/modules/"
install -m 0755 "$here/guest_init.sh" "$root/init"
printf 'root:x:0:0:root:/:/bin/sh\nalice:x:1000:1000:alice:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nalice:x:1000:\nzemtra:x:990:alice\n' >"$root/etc/group"
(cd "$root" && find . | cpio -o -H newc --quiet) | gzip -1 > "$work/initramfs.gz"

start=$(date +%s%N) status=0
timeout --kill-after=5 100 qemu-system-x86_64 -accel tcg -m 256M -smp 1 \
    -nodefaults -no-user-config -display none -serial stdio -no-reboot \
    -kernel "$kernel" -initrd "$work/initramfs.gz" -append "console=ttyS0 panic=-1 quiet" \
    -device edu,addr=04.0 -device edu,addr=0a.0 \
    -object memory-backend-ram,id=shm,size=1M -device ivshmem-plain,memdev=shm,addr=05.0 \
    </dev/null >"$log" 2>&1 || status=$?
tr -d '\r' <"$log"
echo "host: the machine ran $((($(date +%s%N) - start) / 1000000)) ms (QEMU exit $status)"

summary=$(tr -d '\r' <"$log" | grep '^PHASES: ' || true)
[ "$status" -eq 0 ] && [[ "$summary" =~ ^PHASES:\ [1-9][0-9]*\ passed,\ 0\ failed$ ]]

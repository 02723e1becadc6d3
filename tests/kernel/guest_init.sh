#!/bin/busybox sh
# /init of the test machine: runs the test program phase by phase, changing
# the machine between phases as the README tells an administrator to.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
insmod /modules/uio.ko && insmod /modules/uio_pci_generic.ko

passed=0 failed=0
# phase NAME PCI_MATCH: the tests whose names start with NAME, bounded in time.
phase() {
    if ZEMTRA_PCI_MATCH=$2 timeout 60 /bin/zemtra_kernel_tests --gtest_filter="$1*"; then
        echo "PHASE $1: PASS" && passed=$((passed + 1))
    else
        echo "PHASE $1: FAIL" && failed=$((failed + 1))
    fi
}

edu=1234:11e8,regs=0,rev=0
phase Unbound "$edu"
phase Ivshmem 1af4:1110,regs=2,rev=2
echo "1234 11e8" > /sys/bus/pci/drivers/uio_pci_generic/new_id
phase Uio "$edu"
phase Removal "$edu"
echo "PHASES: $passed passed, $failed failed"
poweroff -f

#!/bin/sh
# Runs the FullDisk tests of a test program on a small tmpfs mounted in a
# mount namespace of its own, so the filesystem can really be filled.
# Exits 77 (skipped) where that is not possible, saying why.
program=$1
if [ "$(id -u)" != 0 ]; then
    echo "skipped: mounting a small filesystem needs root"
    exit 77
fi
if ! unshare -m true 2>/dev/null; then
    echo "skipped: no mount namespace can be made here (unshare -m failed)"
    exit 77
fi
dir=$(mktemp -d)
unshare -m sh -c '
    if ! mount -t tmpfs -o size=256k,mode=0755 skyvane-full "$1"; then
        echo "skipped: a tmpfs cannot be mounted here"
        exit 77
    fi
    SKYVANE_FULL_DISK="$1" "$2" --gtest_filter="FullDisk.*"
' sh "$dir" "$program"
rc=$?
rmdir "$dir"
exit $rc

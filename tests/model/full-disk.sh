#!/bin/sh
# Runs a command with a small tmpfs mounted in a mount namespace of its own,
# so the filesystem can really be filled; SKYVANE_FULL_DISK names it.
# Exits 77 (skipped) where that is not possible, saying why.
#   full-disk.sh <command> [arguments...]
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
    dir=$1
    shift
    SKYVANE_FULL_DISK="$dir" "$@"
' sh "$dir" "$@"
rc=$?
rmdir "$dir"
exit $rc

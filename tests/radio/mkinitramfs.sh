#!/bin/sh
# Builds the guest's initramfs: a static busybox, the modules that mount the
# host's root over 9p under a writable layer, and the init that hands over to
# the guest script. Usage: mkinitramfs.sh KERNEL_VERSION OUTPUT
set -eu
kver=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
mods=/lib/modules/$kver
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/modules" "$work/proc" "$work/sys" "$work/dev" "$work/lower" "$work/layer" "$work/root"
cp /bin/busybox "$work/bin/busybox"
ln -s busybox "$work/bin/sh"
# In load order.
for m in virtio_ring virtio virtio_pci_legacy_dev virtio_pci_modern_dev virtio_pci \
         9pnet 9pnet_virtio netfs fscache 9p overlay; do
  f=$(find "$mods/kernel" -name "$m.ko*" | head -n1)
  [ -n "$f" ] || { echo "mkinitramfs: module $m missing in $mods" >&2; exit 1; }
  case "$f" in
    *.xz) xz -dc "$f" > "$work/modules/$m.ko" ;;
    *.zst) zstd -qdc "$f" > "$work/modules/$m.ko" ;;
    *) cp "$f" "$work/modules/$m.ko" ;;
  esac
  echo "$m" >> "$work/modules/order"
done
cp "$here/init" "$work/init"
chmod +x "$work/init"
(cd "$work" && find . | cpio -o -H newc --quiet) | gzip -1 > "$out"

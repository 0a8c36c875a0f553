#!/bin/sh
# Boots a guest kernel that has a Wi-Fi stack, with the host's root mounted
# read-only over 9p, and runs guest.sh in it; relays its console and passes
# when the guest's tests pass. Usage: run.sh SOURCE_DIR BUILD_DIR
# Without the packages it needs it skips (77), unless SKYVANE_RADIO_REQUIRED=1
# (scripts/test) or CI=true.
set -u
src=$1 build=$2
here=$src/tests/radio
bound=${RADIO_TIMEOUT:-1200} # seconds for the whole guest (emulated, sanitizers, a loaded machine)

missing=
need() { command -v "$1" >/dev/null 2>&1 || missing="$missing $1"; }
for tool in qemu-system-x86_64 busybox hostapd hostapd_cli wpa_supplicant NetworkManager nmcli iw rfkill \
            setpriv dbus-daemon modprobe cpio gzip; do
  need "$tool"
done
kernel= kver=
for k in /boot/vmlinuz-*; do
  [ -e "$k" ] || continue
  v=${k#/boot/vmlinuz-}
  ls /lib/modules/"$v"/kernel/drivers/net/wireless/mac80211_hwsim.ko* >/dev/null 2>&1 || continue
  kernel=$k kver=$v
done
[ -n "$kernel" ] || missing="$missing a-kernel-with-mac80211_hwsim(linux-image-amd64)"
[ -e /lib/firmware/regulatory.db ] || missing="$missing regulatory.db(wireless-regdb)"
[ -x /usr/lib/systemd/systemd-udevd ] || missing="$missing systemd-udevd"
[ -x "$build/tests/test_radio" ] || missing="$missing $build/tests/test_radio"
if [ -n "$missing" ]; then
  echo "radio tests cannot run, missing:$missing (scripts/install-deps test installs them)"
  if [ "${SKYVANE_RADIO_REQUIRED:-}" = 1 ] || [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
fi

work=$build/tests/radio-guest
rm -rf "$work"
mkdir -p "$work/out"
sh "$here/mkinitramfs.sh" "$kver" "$work/initrd.gz" || { echo "radio tests: cannot build the guest's initramfs"; exit 1; }
# The sanitizers' settings reach the tests in the guest.
for v in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
  eval "value=\${$v:-}"
  [ -n "$value" ] && printf "export %s='%s'\n" "$v" "$value" >> "$work/out/env"
done

accel=tcg
[ -r /dev/kvm ] && [ -w /dev/kvm ] && accel=kvm
echo "radio tests: booting $kernel ($accel)"
start=$(date +%s)
timeout --kill-after=10 "$bound" qemu-system-x86_64 \
  -machine q35,accel=$accel -cpu max -smp 2 -m 2048 \
  -display none -monitor none -serial stdio -no-reboot -nic none \
  -kernel "$kernel" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3 sv.script=$here/guest.sh sv.src=$src sv.build=$build" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=passthrough,readonly=on,multidevs=remap,id=hostroot \
  -virtfs local,path="$work/out",mount_tag=out,security_model=none,id=out \
  < /dev/null 2>&1 | tee "$work/console.log"
took=$(( $(date +%s) - start ))

if grep -q '^RADIO-TESTS-RESULT: 0' "$work/console.log"; then
  echo "radio tests: passed in the guest (${took} s)"
  exit 0
fi
grep '^\[  FAILED  \]' "$work/console.log" | sort -u
if grep -q '^RADIO-TESTS-RESULT:' "$work/console.log"; then
  echo "radio tests: failed in the guest (${took} s); the guest's logs are in $work/out"
elif grep -q '^RADIO-GUEST-FAILED:' "$work/console.log"; then
  echo "radio tests: the guest could not set up: $(grep '^RADIO-GUEST-FAILED:' "$work/console.log")"
else
  echo "radio tests: the guest did not finish within ${bound} s (took ${took} s)"
fi
exit 1

#!/bin/sh
# Runs inside the guest, as its only job: simulated radios driven by the
# kernel's Wi-Fi stack, access points on them, and the radio tests against
# them in three rounds: with CAP_NET_ADMIN, as an ordinary user reading the
# system's own scans, and as an ordinary user with NetworkManager. Each line
# the tests print reaches the host over the serial console.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
build= src=
for a in $(cat /proc/cmdline); do
  case "$a" in
    sv.build=*) build=${a#sv.build=} ;;
    sv.src=*) src=${a#sv.src=} ;;
  esac
done
here=$src/tests/radio
run=/run/radio
# /tmp and /home stay the host's (a checkout may live there), written to the
# tmpfs layer over them; /run is the guest's own.
mount -t tmpfs run /run
mkdir -p $run/hostapd /dev/pts /dev/shm /radio-out
mount -t devpts devpts /dev/pts
mount -t tmpfs shm /dev/shm
mount -t 9p -o trans=virtio,version=9p2000.L out /radio-out 2>/dev/null || true
[ -f /radio-out/env ] && . /radio-out/env
hostname radio-guest
ip link set lo up

step() { echo "radio-guest: $(cut -d" " -f1 /proc/uptime) s: $*"; }
status=0

step "loading the Wi-Fi stack"
modprobe cfg80211 && modprobe mac80211 && modprobe ccm && modprobe gcm && modprobe cmac \
  && modprobe mac80211_hwsim radios=16 || { echo "RADIO-GUEST-FAILED: cannot load the Wi-Fi stack"; exit 1; }
for i in $(seq 1 50); do [ -e /sys/class/net/wlan15 ] && break; sleep 0.2; done
iw reg set DE
sleep 1

step "starting the access points"
# The 2.4 GHz 40 MHz network looks for neighbours once, as it starts, and
# keeps 40 MHz only when it finds none: it starts first.
hostapd -B -P $run/wide.pid -f $run/wide.log $here/ap/ht40.conf || status=1
for i in $(seq 1 100); do
  grep -q AP-ENABLED $run/wide.log && break
  sleep 0.3
done
hostapd -B -P $run/hostapd.pid -f $run/hostapd.log \
  $here/ap/open.conf $here/ap/wpa2.conf $here/ap/sae.conf $here/ap/transition.conf \
  $here/ap/enterprise.conf $here/ap/hidden.conf $here/ap/vht80.conf \
  $here/ap/wps.conf $here/ap/bssload.conf || status=1
for ap in leaving hopper; do
  hostapd -B -P $run/$ap.pid -f $run/$ap.log $here/ap/$ap.conf || status=1
done
for i in $(seq 1 100); do
  [ $(ls $run/hostapd | wc -l) -ge 12 ] && break
  sleep 0.3
done
[ $status = 0 ] || { cat $run/*.log; echo "RADIO-GUEST-FAILED: hostapd did not start"; exit 1; }

# Three station radios: wlan13 left down, wlan14 up, wlan15 up and joined to
# a network: the kernel lists the one that is down first.
ip link set wlan14 up
cat > $run/join.conf <<C
ctrl_interface=$run/wpa
network={
  ssid="Home WPA2"
  psk="correct-horse"
  key_mgmt=WPA-PSK
}
C
wpa_supplicant -B -i wlan15 -c $run/join.conf -P $run/join.pid -f $run/join.log
for i in $(seq 1 100); do
  iw dev wlan15 link | grep -q "^Connected" && break
  sleep 0.3
done
iw dev wlan15 link | grep -q "^Connected" || { cat $run/join.log; echo "RADIO-GUEST-FAILED: wlan15 did not join"; exit 1; }
step "wlan15 joined: $(iw dev wlan15 link | head -n2 | tr '\n\t' '  ')"

mkdir -p /run/dbus
dbus-daemon --system --fork || step "no system bus"

export QT_QPA_PLATFORM=offscreen RADIO_RUN=$run RADIO_SOURCE=$here
tests=$build/tests/test_radio
ordinary() { setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all \
  env HOME=$run/nobody XDG_RUNTIME_DIR=$run/nobody/run "$@"; }
mkdir -p $run/nobody/run && chown -R 65534:65534 $run/nobody && chmod 700 $run/nobody/run

step "round 1: with CAP_NET_ADMIN"
"$tests" --gtest_filter='RealRadio.*' || status=1

step "round 2: an ordinary user, the system's own scans"
# The system scans while it looks for a network that is not there; one
# access point is heard by them and then goes.
cat > $run/look.conf <<C
ctrl_interface=$run/wpa
autoscan=periodic:2
network={
  ssid="Not Here"
  key_mgmt=NONE
}
C
wpa_supplicant -B -i wlan14 -c $run/look.conf -P $run/look.pid -f $run/look.log
hostapd -B -P $run/brief.pid -f $run/brief.log $here/ap/brief.conf
for i in $(seq 1 60); do
  iw dev wlan14 scan dump | grep -q "SSID: Brief Visit" && break
  sleep 0.5
done
brief=$(cat $run/brief.pid)
kill $brief
while kill -0 $brief 2>/dev/null; do sleep 0.2; done
sleep 1
step "Brief Visit gone; the kernel last heard it $(iw dev wlan14 scan dump | grep -B12 'SSID: Brief Visit' | grep 'last seen' | tr -s ' \t' ' ')"
r=$(ls -d /sys/class/net/wlan13/phy80211/rfkill*) && rfkill block ${r##*rfkill}
ordinary "$tests" --gtest_filter='OrdinaryUser.SystemScans:OrdinaryUser.TurningWiFiOnWithoutPermission' || status=1
kill $(cat $run/look.pid)
sleep 1

step "round 3: an ordinary user, scans requested from NetworkManager"
/usr/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add --subsystem-match=net --subsystem-match=rfkill --subsystem-match=ieee80211
udevadm settle --timeout=20
mkdir -p /run/NetworkManager /var/lib/NetworkManager /etc/NetworkManager
cat > $run/nm.conf <<C
[main]
auth-polkit=false
plugins=keyfile
[logging]
level=DEBUG
domains=WIFI_SCAN,WIFI,DEVICE,CORE
[keyfile]
unmanaged-devices=*,except:interface-name:wlan14
[device]
wifi.scan-rand-mac-address=no
C
wpa_supplicant -u -s -O /run/wpa_supplicant -B -P $run/wpas.pid
NetworkManager --no-daemon --debug --config=$run/nm.conf > $run/nm.log 2>&1 &
nm=$!
for i in $(seq 1 100); do
  nmcli -t -f DEVICE,STATE device 2>/dev/null | grep -q '^wlan14:disconnected' && break
  sleep 0.3
done
step "NetworkManager: $(nmcli -t -f DEVICE,STATE device 2>&1 | grep wlan14)"
chmod a+r $run/nm.log
RADIO_NM_LOG=$run/nm.log ordinary "$tests" --gtest_filter='OrdinaryUser.NetworkManagerScans' || status=1
kill $nm

[ -d /radio-out ] && cp $run/*.log /radio-out/ 2>/dev/null
echo "RADIO-TESTS-RESULT: $status"
exit $status

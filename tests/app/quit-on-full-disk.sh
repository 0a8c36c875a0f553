#!/bin/sh
# On a disk that is really full, the saves at the end fail. Neither
# --quit-after nor SIGTERM may then wait for someone to answer an alert
# about them. Runs under tests/model/full-disk.sh, in its small filesystem.
#   quit-on-full-disk.sh <skyvane> <scenario>
skyvane=$1 scenario=$2 home=$SKYVANE_FULL_DISK
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen
# A first run leaves its settings; then the disk fills up.
"$skyvane" --scenario "$scenario" --quit-after 1 >/dev/null 2>&1 || { echo "first run failed"; exit 1; }
dd if=/dev/zero of="$home/filler" bs=4k 2>/dev/null

timeout 60 "$skyvane" --scenario "$scenario" --quit-after 2 || { echo "--quit-after: exit status $?"; exit 1; }

# One signal, sent once the application has taken SIGTERM over (a later
# one would end a dialog that the first left waiting).
"$skyvane" --scenario "$scenario" &
pid=$!
tries=0
until [ $(( 0x$(sed -n "s/^SigCgt:[[:space:]]*//p" /proc/$pid/status) & 0x4000 )) -ne 0 ]; do
    sleep 0.1
    tries=$((tries + 1))
    [ "$tries" -gt 600 ] && { echo "the application never took SIGTERM over"; kill -KILL "$pid"; exit 1; }
done
kill -TERM "$pid"
tries=0
while kill -0 "$pid" 2>/dev/null && [ "$(sed -n "s/^State:[[:space:]]*\(.\).*/\1/p" /proc/$pid/status)" != Z ]; do
    sleep 1
    tries=$((tries + 1))
    if [ "$tries" -gt 60 ]; then
        echo "SIGTERM did not end the application"
        kill -KILL "$pid"
        exit 1
    fi
done
wait "$pid" || { echo "SIGTERM: exit status $?"; exit 1; }

#!/bin/sh
# Runs a test program under a UTF-8 locale built from the C library's locale
# sources into DIR. Usage: under-locale.sh DIR LOCALE PROGRAM [ARGS...]
# Skips (77) where the locale sources are missing (package "locales").
set -eu
dir=$1 name=$2
shift 2
if [ ! -e "$dir/$name.UTF-8/LC_NUMERIC" ]; then
  mkdir -p "$dir"
  localedef -i "$name" -f UTF-8 "$dir/$name.UTF-8" 2>/dev/null || [ -e "$dir/$name.UTF-8/LC_NUMERIC" ] || {
    echo "cannot build the locale $name.UTF-8 (scripts/install-deps test installs its sources)"
    exit 77
  }
fi
LOCPATH=$dir LC_ALL=$name.UTF-8 LANG=$name.UTF-8 exec "$@"

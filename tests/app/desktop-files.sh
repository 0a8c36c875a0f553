#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what the desktop reads:
# the desktop entry is valid, opens files with "skyvane %F", and the MIME
# database built from the installed package maps *.skyvane to our type.
#   desktop-files.sh <build dir> <scratch dir>
set -euo pipefail
build=$1 scratch=$2
rm -rf "$scratch"
cmake --install "$build" --prefix "$scratch" >/dev/null
entry="$scratch/share/applications/skyvane.desktop"
desktop-file-validate "$entry"
grep -qx 'Exec=skyvane %F' "$entry"
grep -qx 'MimeType=application/x-skyvane;' "$entry"
test -x "$scratch/bin/skyvane"
package="$scratch/share/mime/packages/skyvane.xml"
xmllint --noout "$package"
update-mime-database "$scratch/share/mime"
grep -qx 'application/x-skyvane' "$scratch/share/mime/types"
grep -q ':application/x-skyvane:\*\.skyvane' "$scratch/share/mime/globs2"
echo "desktop entry and MIME type check out"

#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, under a prefix chosen only now;
# the installed program must find its built-in set from its own prefix, and
# through $XDG_DATA_DIRS once the set is moved elsewhere; the launcher entry
# and the service must start it by its installed path; the launcher entry
# and the metadata must validate.
#
#   install_test.sh CMAKE BUILD_DIR BINDIR DATADIR
set -euo pipefail
cmake=$1 build=$2 bindir=$3 datadir=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/tonnix-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

prefix=/opt/tonnix-test
DESTDIR="$work/root" "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" ||
  { cat "$work/install.log"; exit 1; }
tonnix=$work/root$prefix/$bindir/tonnix
share=$work/root$prefix/$datadir
for file in applications/org.tonnix.Tonnix.desktop metainfo/org.tonnix.Tonnix.metainfo.xml \
  dbus-1/services/org.tonnix.Tonnix.service icons/hicolor/scalable/apps/org.tonnix.Tonnix.svg \
  icons/hicolor/symbolic/apps/org.tonnix.Tonnix-symbolic.svg man/man1/tonnix.1 \
  bash-completion/completions/tonnix zsh/vendor-completions/_tonnix \
  fish/vendor_completions.d/tonnix.fish tonnix/Info.plist; do
  [ -f "$share/$file" ] || { echo "not installed: $file"; exit 1; }
done

# Access to the pointer devices is opted into, never installed with the program.
! find "$work/root" -name "*.rules" | grep -q . ||
  { echo "a udev rule was installed with the program"; exit 1; }

grep -qx "Exec=$prefix/$bindir/tonnix %F" "$share/applications/org.tonnix.Tonnix.desktop" &&
  grep -qx "Exec=$prefix/$bindir/tonnix --service" "$share/dbus-1/services/org.tonnix.Tonnix.service" ||
  { echo "the launcher entry or the service does not start $prefix/$bindir/tonnix"; exit 1; }

# A user with nothing of their own, so only built-in sets are listed.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
unset TONNIX_BUILTIN_SETS
lists_builtin_set() {
  XDG_DATA_DIRS=$1 "$tonnix" sets >"$work/sets"
  grep -q $'^Tonnix Default\t.*\tbuiltin\t' "$work/sets" ||
    { echo "$2: the built-in set is not listed:"; cat "$work/sets"; exit 1; }
}
lists_builtin_set "$work/nowhere" "from the program's prefix"
mkdir "$work/elsewhere"
mv "$share/tonnix" "$work/elsewhere/tonnix"
lists_builtin_set "$work/nowhere:$work/elsewhere" "through XDG_DATA_DIRS"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$share/applications/org.tonnix.Tonnix.desktop"
else
  echo "desktop-file-validate is missing (scripts/install-deps --tests): launcher entry not checked"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share/metainfo/org.tonnix.Tonnix.metainfo.xml"
else
  echo "appstreamcli is missing (scripts/install-deps --tests): metadata not checked"
fi

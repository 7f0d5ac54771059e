#!/usr/bin/env bash
# The Debian packages as a user gets them: scripts/package builds them (and
# lintian finds nothing), apt installs them, the installed program tells its
# version, lists its built-in set and plays from it, the installed launcher
# entry and metadata validate, no update feed is configured, and purging
# leaves no file behind. Needs root, apt and debhelper; skipped (77) without.
#
#   package_test.sh SOURCE_DIR
set -euo pipefail
source=$1
skip() {
  echo "skipped: $1"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing packages needs root"
command -v apt-get >/dev/null || skip "no apt here"
command -v dh >/dev/null || skip "debhelper is missing (scripts/install-deps --tests)"
if dpkg-query -W -f='${Status}\n' tonnix tonnix-pointer-access 2>/dev/null | grep -q "ok installed"; then
  skip "Tonnix is installed from packages here; the test would replace it"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tonnix-package.XXXXXX")
purge() { apt-get purge -y -q -o DPkg::Lock::Timeout=300 tonnix tonnix-pointer-access >"$work/purge.log" 2>&1; }
trap 'purge || true; rm -rf "$work"' EXIT
fail() {
  echo "$1"
  exit 1
}

# The packages are built as a user builds them (optimised, with Debian's
# hardening flags), through ccache where it is installed, so that a second
# run of the suite compiles nothing anew. The package keeps warnings from
# failing its build, as another compiler may find new ones; with this one
# there must be none.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_DEPEND=true
fi
"$source/scripts/package" >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
if grep -E ": warning: .*\[-W" "$source/build/package/build.log" >"$work/warnings"; then
  cat "$work/warnings"
  fail "the package's build has the compiler warnings above"
fi
version=$(sed -n 's/^project(Tonnix VERSION \([^ )]*\).*/\1/p' "$source/CMakeLists.txt")
DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=300 \
  "$source"/dist/tonnix_"$version"_*.deb "$source/dist/tonnix-pointer-access_${version}_all.deb" \
  >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; exit 1; }

[ "$(/usr/bin/tonnix --version)" = "tonnix $version" ] ||
  fail "tonnix --version says: $(/usr/bin/tonnix --version)"
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
/usr/bin/tonnix sets >"$work/sets"
grep -q $'^Tonnix Default\t.*\tbuiltin\t' "$work/sets" ||
  { echo "the built-in set is not listed:"; cat "$work/sets"; exit 1; }
# 3: the sound was found, and the machine has no sound output to play it on.
/usr/bin/tonnix play mnuo || [ $? -eq 3 ] || fail "tonnix play failed"

desktop-file-validate /usr/share/applications/org.tonnix.Tonnix.desktop
grep -qx "Exec=/usr/bin/tonnix %F" /usr/share/applications/org.tonnix.Tonnix.desktop ||
  fail "the launcher entry does not start /usr/bin/tonnix"
appstreamcli validate --no-net /usr/share/metainfo/org.tonnix.Tonnix.metainfo.xml
# A distribution's build: updates come from the package manager.
grep -A1 "<key>SUFeedURL</key>" /usr/share/tonnix/Info.plist | grep -q "<string></string>" ||
  fail "the package configures an update feed"
[ -f /lib/udev/rules.d/70-tonnix-pointers.rules ] || fail "tonnix-pointer-access has no udev rule"

dpkg -L tonnix tonnix-pointer-access >"$work/files"
purge || { cat "$work/purge.log"; exit 1; }
if dpkg-query -W -f='${Status}\n' tonnix tonnix-pointer-access 2>/dev/null | grep -qv "not-installed"; then
  fail "purging left package records: $(dpkg-query -W -f='${Package} ${Status}\n' tonnix tonnix-pointer-access)"
fi
while IFS= read -r path; do
  [ -d "$path" ] || [ ! -e "$path" ] || fail "purging left $path"
done <"$work/files"
for folder in /usr/share/tonnix /usr/share/doc/tonnix /usr/share/doc/tonnix-pointer-access; do
  [ ! -e "$folder" ] || fail "purging left $folder"
done

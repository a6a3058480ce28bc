#!/usr/bin/env bash
# Makes the Debian package of a build, unpacks it into a fresh root with
# dpkg -x, and checks what it holds, that Debian's own tools accept its
# desktop file, MIME type and AppStream metainfo as installed, and that the
# program starts from there (offscreen) with its display control and its
# language file.
# Usage: tools/package_test.sh BUILD-DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlain-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"; echo "cpack failed"; exit 1; }
deb=$(ls "$work"/out/vorlain_*.deb)
echo "package: $(basename "$deb")"

# The package's own record: Debian's library packages as dependencies.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libavformat59 libtag1v5 libasound2 libpugixml1v5; do
  case "$depends" in *"$p"*) ;; *) echo "Depends lacks $p: $depends"; exit 1;; esac
done

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/vorlain usr/lib/vorlain/libVorlainKernel.so usr/lib/vorlain/plugins/libBrimsel.so \
         usr/share/vorlain/lang/lang.ini usr/share/applications/org.vorlain.Vorlain.desktop \
         usr/share/metainfo/org.vorlain.Vorlain.metainfo.xml \
         usr/share/mime/packages/vorlain.xml usr/share/icons/hicolor/48x48/apps/vorlain.png \
         usr/share/icons/hicolor/256x256/apps/vorlain.png; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
grep -q '^MimeType=.*application/x-vorlain-project' "$root/usr/share/applications/org.vorlain.Vorlain.desktop"
grep -q 'pattern="\*.zvp"' "$root/usr/share/mime/packages/vorlain.xml"

# What apt-get install runs on the MIME type: update-mime-database, here on
# a database of its own. It reports a bad rule on stderr and still exits 0,
# so any output fails the check.
mime="$work/share/mime"
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/vorlain.xml" "$mime/packages/"
out=$(XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share" update-mime-database "$mime" 2>&1) || {
  echo "$out"; echo "update-mime-database failed"; exit 1; }
[ -z "$out" ] || { echo "$out"; echo "update-mime-database does not accept the MIME type"; exit 1; }
grep -q '^\*\.zvp' "$mime/globs" || grep -q ':\*\.zvp' "$mime/globs2" || {
  echo "the MIME database lacks the .zvp pattern"; exit 1; }
grep -q '^ AudioProject application/x-vorlain-project$' "$mime/XMLnamespaces" || {
  echo "the MIME database lacks the AudioProject root"; exit 1; }

# The desktop file as desktop-file-validate reads it, and the metainfo
# software centres list the program by, as appstreamcli reads it: the file
# alone (no network for the screenshot) and with the desktop file it names.
desktop-file-validate "$root/usr/share/applications/org.vorlain.Vorlain.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.vorlain.Vorlain.metainfo.xml"
appstreamcli validate-tree --no-net "$root/usr"
grep -q '<launchable type="desktop-id">org.vorlain.Vorlain.desktop</launchable>' \
  "$root/usr/share/metainfo/org.vorlain.Vorlain.metainfo.xml"

# Started from the unpacked tree, with a home of its own: it must find its
# control and its texts there, not in the build folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$TMPDIR"
out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/vorlain" --smoke-test 2>&1) || {
  echo "$out"; echo "the unpacked program did not start"; exit 1; }
echo "$out"
echo "$out" | grep -q "language file: $root/usr/bin/../share/vorlain/lang/lang.ini (texts found)"
echo "$out" | grep -q "display control: loaded"
"$root/usr/bin/vorlain" --version | grep -q "^Vorlain "
echo "the unpacked program starts with its control and its texts"

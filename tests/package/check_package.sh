#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks it: its name, its control fields, the
# files it installs, its menu entry; then, unpacked into a folder, starts its launcher as a new
# user would, starts it again as a second start and after an upgrade.
#   check_package.sh <cpack> <build directory> <version>
set -euo pipefail
export LC_ALL=C.UTF-8  # file names are UTF-8; GBK bytes are matched under LC_ALL=C
cpack=$1
build=$2
version=$3

work=$(mktemp -d)
program=
cleanup() {
  [[ -n "$program" ]] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The package
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/fpbx_${version}_amd64.deb"
[[ -f "$deb" ]] || fail "no $deb: $(ls "$work/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == fpbx ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version)"
[[ $(field Architecture) == amd64 ]] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for needed in libqt6widgets6 libqt6multimedia6 libqt6network6 libqt6charts6 libsqlite3-0 libcurl4 \
  libjsoncpp25 libpq5 libzip4 qt6-qpa-plugins qt6-translations-l10n; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done
[[ $(dpkg-deb -I "$deb" conffiles) == /etc/fpbx/config.ini ]] || fail "conffiles"

expected_files="./etc/fpbx/config.ini
./usr/bin/fpbx
./usr/lib/fpbx/database/fpbx.mdb
./usr/lib/fpbx/fpbx
./usr/lib/fpbx/fpbx-reader
./usr/lib/fpbx/模板.xls
./usr/lib/fpbx/模板.xlsx
./usr/share/applications/fpbx-open.desktop
./usr/share/applications/fpbx.desktop
./usr/share/icons/hicolor/128x128/apps/fpbx.png
./usr/share/icons/hicolor/256x256/apps/fpbx.png
./usr/share/icons/hicolor/48x48/apps/fpbx.png
./usr/share/icons/hicolor/64x64/apps/fpbx.png
./usr/share/mime/packages/fpbx-ofd.xml"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t --quoting-style=literal | grep -v '/$' | sort)
[[ "$files" == "$expected_files" ]] || fail "files:
$files"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/fpbx.desktop"
grep -qx 'Name=电子发票核销' "$desktop" || fail "menu entry name"
grep -qx 'Exec=fpbx' "$desktop" || fail "menu entry command"
grep -qx 'Icon=fpbx' "$desktop" || fail "menu entry icon"
opener="$root/usr/share/applications/fpbx-open.desktop"
grep -qx 'Name=用电子发票核销打开' "$opener" || fail "open-with entry name"
grep -qx 'Exec=fpbx file %F' "$opener" || fail "open-with entry command"
grep -qx 'MimeType=application/pdf;application/ofd;' "$opener" || fail "open-with entry types"
grep -q 'glob pattern="\*.ofd"' "$root/usr/share/mime/packages/fpbx-ofd.xml" || fail "OFD type"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "menu entry is not valid"
  desktop-file-validate "$opener" || fail "open-with entry is not valid"
fi
[[ $(file -b --mime-type "$root/usr/share/icons/hicolor/48x48/apps/fpbx.png") == image/png ]] ||
  fail "icon"

# The launcher, as a new user: the administrator has set the tax number in /etc/fpbx.
LC_ALL=C sed -i 's/\xcb\xb0\xba\xc5=/&91110108MA01ABCD2X/' "$root/etc/fpbx/config.ini"
export HOME="$work/home" TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME
mkdir -p "$HOME" "$TMPDIR"
data="$HOME/.local/share/fpbx"
scan_mode=$'\xc9\xa8\xc3\xe8\xc2\xbc\xc8\xeb'  # 扫描录入, as the log writes it (GBK)

start_program() {
  "$root/usr/bin/fpbx" >"$work/program.log" 2>&1 &
  program=$!
  for _ in $(seq 150); do
    if LC_ALL=C grep -qs "$scan_mode" "$data"/log/*.log; then
      return
    fi
    kill -0 "$program" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
    sleep 0.1
  done
  fail "the main window never showed"
}
stop_program() {
  kill "$program"
  wait "$program" 2>/dev/null || true
  program=
}
# Every file's name, inode, time and contents: a file rewritten, even alike, changes it.
fingerprint() { (cd "$data" && find . -type f -printf '%p %i %T@ ' -exec md5sum {} \; | sort); }

start_program
for f in fpbx fpbx-reader database/fpbx.mdb 模板.xls 模板.xlsx; do
  cmp -s "$root/usr/lib/fpbx/$f" "$data/$f" || fail "$f is not the installed one"
done
grep -q 91110108MA01ABCD2X "$data/config.ini" || fail "config.ini not from /etc/fpbx"
[[ -f "$data/91110108MA01ABCD2X/fpbx.mdb" ]] || fail "no working database"

# A second start while the first runs ends by itself, with 0, and touches nothing (the limit
# only keeps a hang from stopping the run).
before=$(fingerprint)
timeout 60 "$root/usr/bin/fpbx" >/dev/null 2>&1 || fail "second start: exit $?"
[[ $(fingerprint) == "$before" ]] || fail "the second start changed the data folder"
stop_program

# An upgrade: new program files reach the copies; the user's config.ini and database stay.
printf 'changed' >>"$root/usr/lib/fpbx/模板.xls"
printf '[SERVER]\r\nserver=mine\r\n' >>"$data/config.ini"
user_config=$(md5sum <"$data/config.ini")
database=$(md5sum <"$data/91110108MA01ABCD2X/fpbx.mdb")
rm "$data"/log/*.log
start_program
stop_program
cmp -s "$root/usr/lib/fpbx/模板.xls" "$data/模板.xls" || fail "the upgraded template was not copied"
grep -q 'server=mine' "$data/config.ini" || fail "the user's config.ini was replaced"
[[ $(md5sum <"$data/91110108MA01ABCD2X/fpbx.mdb") == "$database" ]] || fail "database changed"
echo "package $(basename "$deb") checked"

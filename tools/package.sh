#!/usr/bin/env bash
# Makes the Debian package from the release build (build/release, no second compile) and
# checks it: lintian finds no error, the desktop entries and the AppStream metainfo are
# valid, and it holds every piece an installed program needs.
#   tools/package.sh             build, check; the package is build/release/package/*.deb
#   tools/package.sh --install   also installs it with apt and runs the installed programs
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/package/logirem_*.deb)
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
echo "Package: $deb"

lintian --fail-on error "$deb"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
# The viewer's entry is checked even before the viewer is built, so it merges valid.
desktop-file-validate packaging/*.desktop "$contents"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
# Each menu entry starts a program the package holds.
for entry in "$contents"/usr/share/applications/*.desktop; do
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$contents/usr/bin/$program" ] || { echo "$entry: no $program" >&2; exit 1; }
done
# The viewer's file type: an acquisition is known by its content; a configuration and
# another program's .dat file are not taken.
mime=$contents/mime-check
mkdir -p "$mime/mime/packages"
cp packaging/logirem-mime.xml "$mime/mime/packages/logirem.xml"
XDG_DATA_DIRS=$mime:/usr/share update-mime-database "$mime/mime"
"$build/src/cli/logiremctl" defaults --setup "$mime/a.cnf" --acq "$mime/a.dat" >/dev/null
echo "other program's data" >"$mime/other.dat"
types=$(for f in a.dat a.cnf other.dat; do
  XDG_DATA_DIRS=$mime:/usr/share gio info -a standard::content-type "$mime/$f" |
    sed -n 's/.*content-type: //p'
done | paste -sd ' ')
if [ "$types" != "application/x-logirem-acquisition text/plain text/plain" ]; then
  echo "File types of a.dat a.cnf other.dat: $types" >&2
  exit 1
fi
# The programs this build makes (the window ones need LOGIREM_GUI), whatever files an
# earlier configuration left behind.
targets=$(cmake --build "$build" --target help)

expected=(usr/bin/logiremctl usr/share/man/man1/logiremctl.1.gz
  usr/share/metainfo/org.varnok.Logirem.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/org.varnok.Logirem.svg
  usr/share/doc/logirem/copyright usr/share/doc/logirem/changelog.gz)
for size in 16 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/org.varnok.Logirem.png")
done
if grep -q '^logirem:' <<<"$targets"; then
  expected+=(usr/bin/logirem usr/share/man/man1/logirem.1.gz
    usr/share/applications/org.varnok.Logirem.desktop)
fi
if grep -q '^logirem-view:' <<<"$targets"; then
  expected+=(usr/bin/logirem-view usr/share/man/man1/logirem-view.1.gz
    usr/share/applications/org.varnok.LogiremView.desktop usr/share/mime/packages/logirem.xml)
fi
missing=0
for path in "${expected[@]}"; do
  if [ ! -s "$contents/$path" ]; then
    echo "Missing from the package: /$path" >&2
    missing=1
  fi
done
[ "$missing" = 0 ]
# Every manual page renders without a complaint from groff.
for page in "$contents"/usr/share/man/man1/*.1.gz; do
  complaints=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$complaints" ] || { echo "$page: $complaints" >&2; exit 1; }
done

if [ "${1:-}" = --install ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
  [ "$(dpkg-query -W -f '${Version}' logirem)" = "$version" ]
  [ "$(logiremctl --version)" = "logiremctl (Logirem) $version" ]
  logiremctl show --defaults >/dev/null
  # A minimal system may leave manual pages out (dpkg path-exclude); otherwise man finds it.
  if ! grep -qs 'path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
    man -w logiremctl >/dev/null
  fi
fi
echo "Package checked: $(basename "$deb")"

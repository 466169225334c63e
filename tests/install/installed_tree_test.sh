#!/usr/bin/env bash
# The installed tree as a new user meets it. Installs the build into a
# temporary prefix, checks what was installed, makes the prefix read-only and
# runs both roads through the installed converter, manual and samples as a
# normal user, and the command marovin-kml on the installed samples with
# neither Qt nor a display (root writes through permission bits, so root runs them as
# "nobody"), then checks that nothing in the prefix changed.
# Usage: installed_tree_test.sh CMAKE BUILD_DIR ROAD_TESTS VERSION
set -euo pipefail
cmake=$1 build=$2 road=$3 version=$4

# Under /tmp, which every user can reach, whatever TMPDIR says.
work=$(mktemp -d /tmp/marovin-installed.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAILED: $*" >&2; exit 1; }

# The program's files and nothing else (no tests, tools or benchmarks).
expected="bin/marovin
bin/marovin-kml
libexec/marovin/convers
share/applications/marovin.desktop
share/doc/marovin/changelog.gz
share/doc/marovin/copyright
share/icons/hicolor/128x128/apps/marovin.png
share/icons/hicolor/48x48/apps/marovin.png
share/man/man1/marovin-kml.1.gz
share/man/man1/marovin.1.gz
share/marovin/Manual/KML_Help.rtf
share/marovin/samples/aire.sgy
share/marovin/samples/aire.su
share/marovin/samples/stations.xyz"
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  fail "the installed files differ from the program's files"
fi
desktop-file-validate "$prefix/share/applications/marovin.desktop" || fail "invalid desktop entry"
grep -qx 'Exec=marovin' "$prefix/share/applications/marovin.desktop" || fail "the desktop entry does not start marovin"

home=$work/home
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  cp "$road" "$work/road_tests"
  road=$work/road_tests
  chown -R nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
user_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
          XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8)

chmod -R a-w "$prefix"
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | LC_ALL=C sort); }
before=$(snapshot)

out=$("${as_user[@]}" "${user_env[@]}" "$prefix/bin/marovin" --version) || fail "marovin --version"
[ "$out" = "marovin $version" ] || fail "marovin --version printed \"$out\""
"${as_user[@]}" "${user_env[@]}" "$prefix/bin/marovin" --help | grep -q -- '--version' || fail "marovin --help"
for wrong in --bogus extra; do
  if "${as_user[@]}" "${user_env[@]}" "$prefix/bin/marovin" "$wrong" 2>/dev/null; then
    fail "marovin $wrong was taken"
  fi
done

"${as_user[@]}" "${user_env[@]}" MAROVIN_INSTALLED_BIN="$prefix/bin" "$road" || fail "the roads through the installed tree"

# The command: no Qt library linked, no display in its environment; it reads
# the installed samples and writes where the user says.
if ldd "$prefix/bin/marovin-kml" | grep -q 'libQt'; then fail "marovin-kml links Qt"; fi
"${as_user[@]}" "${user_env[@]}" "$prefix/bin/marovin-kml" -q -o "$home/aire.kml" \
  "$prefix/share/marovin/samples/aire.su" || fail "marovin-kml on the installed sample line"
[ "$(grep -c '<Placemark>' "$home/aire.kml")" -eq 300 ] || fail "marovin-kml wrote no 300 placemarks"
"${as_user[@]}" "${user_env[@]}" "$prefix/bin/marovin-kml" --version | grep -qx "marovin-kml (Marovin) $version, PROJ .*" ||
  fail "marovin-kml --version"

# The installed window itself starts and waits for the first question
# (killed after a few seconds, still running).
set +e
"${as_user[@]}" "${user_env[@]}" timeout 3 "$prefix/bin/marovin"
status=$?
set -e
[ "$status" -eq 124 ] || fail "the installed marovin ended with status $status instead of waiting for its user"

after=$(snapshot)
if [ "$before" != "$after" ]; then
  diff <(echo "$before") <(echo "$after") >&2 || true
  fail "something was written into the installed prefix"
fi
echo "installed tree: both roads ran from $prefix, which stayed unchanged"

#!/usr/bin/env bash
# Checks the program as installed: installs the build into a temporary prefix,
# looks at the installed files and validates the desktop entry and the
# metainfo, starts the installed launcher with an empty home folder on the
# offscreen platform, then builds the Debian package and lists it.
# BUILD_DIR chooses the build folder (default build/).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$repo/build}"
work="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "check-install: $*" >&2
  exit 1
}

echo "== install into a temporary prefix"
prefix="$work/prefix"
cmake --build "$build" -j "$(nproc)" --target lovetest lovetest-content sample_database man_pages > /dev/null
cmake --install "$build" --prefix "$prefix" > /dev/null
metainfo=share/metainfo/example.langyue_xinli.lovetest.metainfo.xml
for file in bin/lovetest bin/lovetest-content bin/lovetest-start share/lovetest/sample/date.mdb \
            share/applications/lovetest.desktop share/icons/hicolor/scalable/apps/lovetest.svg \
            "$metainfo" share/man/man1/lovetest.1.gz share/man/man1/lovetest-content.1.gz \
            share/man/man1/lovetest-start.1.gz; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
for program in lovetest lovetest-content lovetest-start; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
grep -qx "Exec=$prefix/bin/lovetest-start" "$prefix/share/applications/lovetest.desktop" \
  || fail "the desktop entry does not start the installed launcher"
grep -qx "TryExec=$prefix/bin/lovetest-start" "$prefix/share/applications/lovetest.desktop" \
  || fail "the desktop entry does not try the installed launcher"
for file in share/doc/lovetest/copyright share/doc/lovetest/changelog.gz share/doc/lovetest/README.md \
            share/doc/lovetest/content-format.md share/doc/lovetest/lovetest-content.schema.json; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
desktop-file-validate "$prefix/share/applications/lovetest.desktop"
appstreamcli validate --no-net "$prefix/$metainfo" > /dev/null \
  || { appstreamcli validate --no-net "$prefix/$metainfo"; fail "the metainfo does not validate"; }
"$prefix/bin/lovetest-content" check "$prefix/share/lovetest/sample/date.mdb" > /dev/null \
  || fail "the installed sample database does not check"

# Whether process $1 holds file $2 open.
holds_open() {
  local fd
  for fd in "/proc/$1/fd/"*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$2" ] && return 0
  done
  return 1
}

# Starts the installed launcher with the given environment, waits until the
# program runs in the data folder with its database open, then ends it by its id.
start_and_stop() {
  local data="$1"
  shift
  env -u XDG_DATA_HOME "$@" QT_QPA_PLATFORM=offscreen "$prefix/bin/lovetest-start" \
    > "$work/start.log" 2>&1 &
  pid=$!
  local waited=0
  until [ -s "$data/date.mdb" ] && holds_open "$pid" "$data/date.mdb"; do
    kill -0 "$pid" 2>/dev/null || { cat "$work/start.log"; fail "the program ended before it was up"; }
    [ "$waited" -lt 600 ] || fail "the program did not open $data/date.mdb within a minute"
    sleep 0.1
    waited=$((waited + 1))
  done
  [ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$prefix/bin/lovetest")" ] || fail "the launcher did not start lovetest"
  [ "$(readlink -f "/proc/$pid/cwd")" = "$(readlink -f "$data")" ] || fail "lovetest does not run in $data"
  sleep 1
  kill -0 "$pid" 2>/dev/null || { cat "$work/start.log"; fail "the program ended by itself"; }
  kill "$pid"
  wait "$pid" || fail "the program did not end cleanly on SIGTERM"
  pid=""
  # Ended by a signal as at logout, it closes the database like the quit command.
  [ ! -e "$data/date.mdb-wal" ] || fail "the program left the database's log file behind"
}

# Whether two databases hold the same content (a database that was open in
# the program is no longer the same bytes: the engine notes its use).
same_content() {
  "$prefix/bin/lovetest-content" export "$1" > "$work/a.json" || fail "cannot export $1"
  "$prefix/bin/lovetest-content" export "$2" > "$work/b.json" || fail "cannot export $2"
  cmp -s "$work/a.json" "$work/b.json"
}

echo "== first start from the launcher"
home="$work/home"
mkdir -p "$home"
start_and_stop "$home/.local/share/lovetest" HOME="$home"
same_content "$home/.local/share/lovetest/date.mdb" "$prefix/share/lovetest/sample/date.mdb" \
  || fail "the seeded database is not the sample"
# A database already there is the user's own and stays: here one of a single test.
own="$work/own.mdb"
sample_tests=("$repo"/content/tests/*.json)
"$prefix/bin/lovetest-content" build "${sample_tests[0]}" -o "$own" > /dev/null
cp "$own" "$home/.local/share/lovetest/date.mdb"
start_and_stop "$home/.local/share/lovetest" HOME="$home"
same_content "$home/.local/share/lovetest/date.mdb" "$own" || fail "the launcher replaced the user's database"
# XDG_DATA_HOME names the data folder when it is set.
start_and_stop "$work/xdg/lovetest" HOME="$home" XDG_DATA_HOME="$work/xdg"

echo "== installing again over a prefix that is the user's data folder"
# With the prefix as the data home (as with ~/.local), the user's database sits
# in share/lovetest beside the sample's folder; a second install leaves it.
start_and_stop "$prefix/share/lovetest" HOME="$home" XDG_DATA_HOME="$prefix/share"
cp "$own" "$prefix/share/lovetest/date.mdb"
cmake --install "$build" --prefix "$prefix" > /dev/null
same_content "$prefix/share/lovetest/date.mdb" "$own" || fail "installing again replaced the user's database"
rm -f "$prefix/share/lovetest/date.mdb"

echo "== Debian package"
deb="$(bash "$repo/scripts/package.sh" | tail -n 1)"
dpkg-deb -c "$deb" > "$work/contents"
cat "$work/contents"
for file in usr/bin/lovetest usr/bin/lovetest-content usr/bin/lovetest-start usr/share/lovetest/sample/date.mdb \
            usr/share/applications/lovetest.desktop usr/share/icons/hicolor/scalable/apps/lovetest.svg \
            "usr/$metainfo" usr/share/man/man1/lovetest.1.gz; do
  grep -q " \./$file\$" "$work/contents" || fail "$file is not in the package"
done
# Debian's own package checker finds no error (its warnings are shown).
lintian --fail-on error "$deb" || fail "lintian finds errors in the package"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for package in libqt6widgets6 libqt6charts6 libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins fonts-wqy-microhei; do
  grep -q "\b$package\b" <<< "$depends" || fail "the package does not depend on $package"
done
# The packaged programs carry the hardening of a distribution build.
unpacked="$work/unpacked"
dpkg-deb -x "$deb" "$unpacked"
for program in lovetest lovetest-content; do
  binary="$unpacked/usr/bin/$program"
  # Read into files first: grep -q ends early, and under pipefail the
  # reader's broken pipe would count as a failed check.
  readelf -hdlW "$binary" > "$work/headers"
  readelf -sW --dyn-syms "$binary" > "$work/symbols"
  grep -q 'Type:.*DYN' "$work/headers" || fail "$program is not a position-independent executable"
  grep -q 'BIND_NOW\|FLAGS.*NOW' "$work/headers" || fail "$program is not linked with full RELRO"
  grep -q 'GNU_RELRO' "$work/headers" || fail "$program has no read-only relocations"
  grep -q '__stack_chk_fail' "$work/symbols" || fail "$program has no stack protector"
done
echo "check-install: all good"

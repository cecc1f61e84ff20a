#!/bin/bash
# Installs a build into a throw-away DESTDIR and checks that everything a
# desktop needs (menu entry, icons, AppStream data, program) lands where the
# menu and software centres look for it, that the command-line program runs
# without a display, that the manual pages read cleanly, and that the
# validators and Debian's package checker (lintian) accept it all.
# Usage: scripts/check-install.sh <build-dir>
set -uo pipefail

if (($# != 1)) || [[ ! -f "$1/CMakeCache.txt" ]]; then
    echo "usage: $0 <configured-and-built-cmake-build-dir>" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)

app=vornix-downloader
cli=vornix-fetch
appstream_id=io.github.vornix_downloader
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")

failures=0
ok() { printf '  ok    %s\n' "$*"; }
fail() {
    printf '  FAIL  %s\n' "$*"
    failures=$((failures + 1))
}

destdir=$(mktemp -d "${TMPDIR:-/tmp}/vornix-install.XXXXXX")
pkgdir=$(mktemp -d "${TMPDIR:-/tmp}/vornix-package.XXXXXX")
trap 'rm -rf "$destdir" "$pkgdir"' EXIT

echo "== Installing $build_dir into $destdir (prefix /usr)"
if ! DESTDIR="$destdir" cmake --install "$build_dir" --prefix /usr >"$destdir.log" 2>&1; then
    cat "$destdir.log"
    rm -f "$destdir.log"
    echo "== FAILED: cmake --install did not succeed"
    exit 1
fi
rm -f "$destdir.log"
root="$destdir/usr"

echo "== Installed files"
bin="$root/bin/$app"
desktop="$root/share/applications/$app.desktop"
metainfo="$root/share/metainfo/$appstream_id.metainfo.xml"
icon16="$root/share/icons/hicolor/16x16/apps/$app.png"
icon32="$root/share/icons/hicolor/32x32/apps/$app.png"
iconsvg="$root/share/icons/hicolor/scalable/apps/$app.svg"
clibin="$root/bin/$cli"
docdir="$root/share/doc/$app"
manpages=("$root/share/man/man1/$app.1.gz" "$root/share/man/man1/$cli.1.gz")

for f in "$bin" "$clibin"; do
    if [[ -f "$f" && -x "$f" ]]; then ok "${f#"$root"/}"; else fail "${f#"$root"/} missing or not executable"; fi
done
for f in "$desktop" "$metainfo" "$iconsvg" "$docdir/copyright" "$docdir/changelog.gz" "${manpages[@]}"; do
    if [[ -s "$f" ]]; then ok "${f#"$root"/}"; else fail "${f#"$root"/} missing or empty"; fi
done

# The hicolor size folders must hold pictures of exactly that size.
png_size() {
    local bytes
    bytes=$(od -An -tu1 -j16 -N8 "$1" 2>/dev/null) || return 1
    read -r -a b <<<"$bytes"
    ((${#b[@]} == 8)) || return 1
    echo "$((b[0] << 24 | b[1] << 16 | b[2] << 8 | b[3]))x$((b[4] << 24 | b[5] << 16 | b[6] << 8 | b[7]))"
}
for pair in "16:$icon16" "32:$icon32"; do
    size=${pair%%:*}
    f=${pair#*:}
    if [[ ! -f "$f" ]]; then
        fail "${f#"$root"/} missing"
    elif [[ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ]]; then
        fail "${f#"$root"/} is not a PNG"
    elif [[ "$(png_size "$f")" != "${size}x${size}" ]]; then
        fail "${f#"$root"/} is $(png_size "$f"), expected ${size}x${size}"
    else
        ok "${f#"$root"/} (${size}x${size})"
    fi
done
if [[ -f "$iconsvg" ]] && ! grep -q '<svg' "$iconsvg"; then
    fail "${iconsvg#"$root"/} is not an SVG"
fi

# Only /usr may be touched; the menu locations all live below it.
outside=$(find "$destdir" -mindepth 1 -maxdepth 1 ! -name usr)
if [[ -z "$outside" ]]; then ok "nothing installed outside /usr"; else fail "installed outside /usr: $outside"; fi

echo "== Menu entry refers to installed files"
if [[ -f "$desktop" ]]; then
    exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -n1)
    icon_name=$(sed -n 's/^Icon=//p' "$desktop" | head -n1)
    if [[ "$exec_cmd" == "$app" && -x "$root/bin/$exec_cmd" ]]; then
        ok "Exec=$exec_cmd is bin/$exec_cmd"
    else
        fail "Exec='$exec_cmd' does not name the installed program"
    fi
    if [[ "$icon_name" == "$app" && -f "$icon32" ]]; then
        ok "Icon=$icon_name is in the hicolor theme"
    else
        fail "Icon='$icon_name' is not the installed hicolor icon"
    fi
fi
if [[ -f "$metainfo" ]]; then
    if [[ -n "$version" ]] && grep -q "<release version=\"$version\"" "$metainfo"; then
        ok "AppStream release $version matches the program version"
    else
        fail "AppStream metadata has no release for the program version '${version:-unknown}'"
    fi
fi

echo "== desktop-file-validate"
if ! command -v desktop-file-validate >/dev/null; then
    fail "desktop-file-validate not found (package desktop-file-utils)"
elif [[ -f "$desktop" ]]; then
    if out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z "$out" ]]; then
        ok "desktop-file-validate: no complaints"
    else
        printf '%s\n' "$out"
        fail "desktop-file-validate"
    fi
fi

echo "== appstreamcli validate --no-net"
if ! command -v appstreamcli >/dev/null; then
    fail "appstreamcli not found (package appstream)"
elif [[ -f "$metainfo" ]]; then
    out=$(appstreamcli validate --no-net "$metainfo" 2>&1)
    rc=$?
    printf '%s\n' "$out" | sed 's/^/        /'
    if ((rc == 0)); then ok "appstreamcli validate"; else fail "appstreamcli validate (exit $rc)"; fi
    # The tree check also proves the launchable names the installed desktop entry.
    out=$(appstreamcli validate-tree --no-net "$destdir" 2>&1)
    rc=$?
    printf '%s\n' "$out" | sed 's/^/        /'
    if ((rc == 0)); then ok "appstreamcli validate-tree"; else fail "appstreamcli validate-tree (exit $rc)"; fi
fi

echo "== $cli runs without a display and without Qt's window libraries"
if [[ -x "$clibin" ]]; then
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$clibin" --version 2>&1)
    if [[ "$out" == "$cli $version" ]]; then ok "--version: $out"; else fail "--version printed '$out'"; fi
    # Read the whole help first: grep -q would close the pipe early, and vornix-fetch
    # rightly reports a write into a closed pipe as a failure.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$clibin" --help 2>&1)
    if grep -q -- '--dry-run' <<<"$out"; then
        ok "--help lists the options"
    else
        fail "--help does not list the options"
    fi
    needed=$(readelf -d "$clibin" 2>/dev/null | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
    if grep -Eq 'libQt6(Gui|Widgets)' <<<"$needed"; then
        fail "$cli links $(grep -E 'libQt6(Gui|Widgets)' <<<"$needed" | tr '\n' ' ')"
    else
        ok "$cli needs no Qt Gui or Widgets"
    fi
fi

echo "== Manual pages and changelog"
for page in "${manpages[@]}"; do
    [[ -f "$page" ]] || continue
    name=${page##*/}
    # What lintian runs: any complaint of groff or man shows here.
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    if [[ -z "$out" ]]; then ok "$name formats without warnings"; else printf '%s\n' "$out"; fail "$name"; fi
    text=$(zcat "$page")
    th=$(grep -m1 '^\.TH ' <<<"$text")
    if [[ "$th" == *"\"${name%.1.gz} $version\""* ]]; then
        ok "$name names version $version"
    else
        fail "$name does not name version $version in its .TH line"
    fi
done
if [[ -f "$docdir/changelog.gz" ]]; then
    top=$(zcat "$docdir/changelog.gz")
    if [[ "${top%%$'\n'*}" == "$app ($version) "* ]]; then
        ok "changelog.gz starts with version $version"
    else
        fail "changelog.gz has no entry for $version on top (packaging/changelog)"
    fi
fi

echo "== Debian package (cpack -G DEB) and lintian"
if ! command -v lintian >/dev/null; then
    fail "lintian not found (package lintian)"
elif ! (cd "$build_dir" && cpack -G DEB -B "$pkgdir") >"$pkgdir.log" 2>&1; then
    cat "$pkgdir.log"
    fail "cpack -G DEB"
else
    deb=$(find "$pkgdir" -maxdepth 1 -name '*.deb' | head -n1)
    # Errors and warnings fail; informational tags are listed for the record.
    lintian --fail-on error,warning --display-info "$deb" >"$pkgdir.log" 2>&1
    rc=$?
    # On a loaded machine a helper of lintian can be stopped by its time
    # limit; that says nothing about the package, so try once more.
    if ((rc >= 128)); then
        echo "        (lintian ended by a signal, exit $rc; trying again)"
        lintian --fail-on error,warning --display-info "$deb" >"$pkgdir.log" 2>&1
        rc=$?
    fi
    grep -v 'root privileges' "$pkgdir.log" | sed 's/^/        /'
    if ((rc == 0)); then ok "lintian ${deb##*/}: no errors or warnings"; else fail "lintian ${deb##*/}"; fi
fi
rm -f "$pkgdir.log"

echo
if ((failures)); then
    echo "== Install check FAILED: $failures problem(s)"
    exit 1
fi
echo "== Install check passed"

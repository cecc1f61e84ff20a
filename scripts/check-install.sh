#!/bin/bash
# Installs a build into a throw-away DESTDIR and checks that everything a
# desktop needs (menu entry, icons, AppStream data, program) lands where the
# menu and software centres look for it, and that the validators accept it.
# Usage: scripts/check-install.sh <build-dir>
set -uo pipefail

if (($# != 1)) || [[ ! -f "$1/CMakeCache.txt" ]]; then
    echo "usage: $0 <configured-and-built-cmake-build-dir>" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)

app=vornix-downloader
appstream_id=io.github.vornix_downloader

failures=0
ok() { printf '  ok    %s\n' "$*"; }
fail() {
    printf '  FAIL  %s\n' "$*"
    failures=$((failures + 1))
}

destdir=$(mktemp -d "${TMPDIR:-/tmp}/vornix-install.XXXXXX")
trap 'rm -rf "$destdir"' EXIT

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

if [[ -f "$bin" && -x "$bin" ]]; then ok "bin/$app"; else fail "bin/$app missing or not executable"; fi
for f in "$desktop" "$metainfo" "$iconsvg"; do
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
    version_h="$build_dir/src/version.h"
    version=$(sed -n 's/^#define VORNIX_VERSION_STRING "\(.*\)"/\1/p' "$version_h" 2>/dev/null)
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

echo
if ((failures)); then
    echo "== Install check FAILED: $failures problem(s)"
    exit 1
fi
echo "== Install check passed"

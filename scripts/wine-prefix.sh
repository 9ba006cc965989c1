#!/usr/bin/env bash
# Makes a Wine prefix ready for timelock at DIR (once; later calls return at once):
# CJK fonts for the Chinese texts, Marlett for the caption buttons, and a default
# virtual desktop so captions are drawn without a window manager.
#
#   scripts/wine-prefix.sh DIR
set -euo pipefail

dir=$(realpath -m "${1:?usage: wine-prefix.sh DIR}")  # Wine wants an absolute prefix
# Bump when the recipe below changes, so cached prefixes are rebuilt.
recipe=1
stamp="recipe=$recipe $(wine --version 2>/dev/null | head -1)"
[[ -f $dir/.timelock-prefix && $(cat "$dir/.timelock-prefix") == "$stamp" ]] && exit 0

marlett=/usr/share/wine/fonts/marlett.ttf
[[ -f $marlett ]] || { echo "wine-prefix: $marlett is missing; install fonts-wine" >&2; exit 2; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64

echo "wine-prefix: making $dir (once)" >&2
rm -rf "$dir" "$dir.tmp"
mkdir -p "$(dirname "$dir")"
WINEPREFIX=$dir.tmp wineboot -i >/dev/null 2>&1 || { echo "wine-prefix: wineboot failed" >&2; exit 2; }
cp "$marlett" "$dir.tmp/drive_c/windows/Fonts/"

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  for face in 微软雅黑 "Microsoft YaHei" "Microsoft YaHei UI" 宋体 SimSun "MS Shell Dlg" "MS Shell Dlg 2"; do
    printf '"%s"="WenQuanYi Zen Hei"\r\n' "$face"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Tahoma"="WenQuanYi Zen Hei"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="timelock"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"timelock"="1920x1080"\r\n'
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$reg"
WINEPREFIX=$dir.tmp wine regedit /S "Z:${reg//\//\\}"
WINEPREFIX=$dir.tmp wineserver -w
echo "$stamp" >"$dir.tmp/.timelock-prefix"
mv "$dir.tmp" "$dir"

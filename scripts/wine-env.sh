# Sourced by the run and test scripts: a Wine prefix of the project's own (so the tests never
# touch the user's ~/.wine or its registry), set up once with a virtual desktop so that windows
# get their frames drawn even where no window manager runs, as under Xvfb.
repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${CW_WINEPREFIX:-$repo_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono/Gecko install prompts; and no debugger for a program that crashes: it ends at once with
# its fault reported, rather than leaving Wine's debugger waiting with the test's output open.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winedbg.exe=}"

# Bump when the steps below change, so existing prefixes get them too.
prefix_version=5
if [ "$(cat "$WINEPREFIX/.calderwynstrope-ready" 2>/dev/null)" != "$prefix_version" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  # Room for the main window at 200%, about 1,940 pixels wide.
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 2400x1600 /f >/dev/null 2>&1
  # Wine's own fonts (Marlett draws the caption buttons) where every Wine program finds them,
  # and a CJK font linked behind the dialog fonts, so Japanese names show as text, not boxes.
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  if [ -d /usr/share/wine/fonts ]; then cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true; fi
  cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
  if [ -f "$cjk" ]; then
    cp -n "$cjk" "$fonts/" 2>/dev/null || true
    # Wine links Tahoma, its dialog font, to these Japanese and Chinese faces; let them be found.
    for face in "MS UI Gothic" "MS Gothic" "PMingLiU" "SimSun" "Gulim" "Yu Gothic UI"; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
  fi
  wineserver -w
  echo "$prefix_version" > "$WINEPREFIX/.calderwynstrope-ready"
fi

# A display for Wine: the caller's, or a virtual one. 24-bit colour, unlike xvfb-run's default.
cw_xvfb() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${CW_FORCE_XVFB:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 2400x1600x24" "$@"
  fi
}

# shellcheck shell=bash disable=SC2154,SC2034  # the caller sets shot and app_pid, and defines shoot
# Readings of a screenshot of a compositor's output, the file named by
# $shot, which the caller takes. Sourced by the tests that see the window
# only as pixels: nested compositors hand out no X window to ask.

# One pixel of the shot as rrggbb.
shot_pixel() {
  convert "$shot" -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}
# The largest area of pure black in the shot is the window's background: "W H X Y".
black_box() {
  convert "$shot" -fill white +opaque black \
    -define connected-components:verbose=true -connected-components 4 null: |
    awk '$NF == "srgb(0,0,0)" || $NF == "gray(0)" { print $4, $2 }' | sort -n -r | head -n 1 |
    sed 's/^[0-9]* \([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/'
}
# The program's window drawn on the output, not the desktop: sets w, h, x
# and y to its black area. The output is 1024 pixels wide.
window_drawn() {
  kill -0 "$app_pid" || fail "the program died"
  shoot || return 1
  local box
  box=$(black_box) && [ -n "$box" ] || return 1
  read -r w h x y <<<"$box"
  [ "$w" -lt 1024 ] && [ $((w * h)) -gt 20000 ]
}

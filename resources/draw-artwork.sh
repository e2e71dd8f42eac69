#!/usr/bin/env bash
# Redraws the setup program's artwork into resources/images/ and info.rtf.
# Deterministic: no time chunks, fixed noise seed, so reruns give identical bytes.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$here/images"
IM=/usr/bin/convert        # Debian ImageMagick 6; other "convert"s on PATH are not it
DJ=/usr/share/fonts/truetype/dejavu
LB=/usr/share/fonts/truetype/liberation
mkdir -p "$out"
T="$(mktemp -d)"
trap '[ -n "${KEEP_TMP:-}" ] || rm -rf "$T"' EXIT   # KEEP_TMP=1 keeps the layers for a look

# Colour scheme.
PANEL='#ECECEB'            # information pane / page colour; controls are painted with it
EDGE='#CBCBC6'
BLUE='#1D5C8E'
BLUE_HI='#3A8FC9'
BLUE_LO='#164670'
RED='#C8283A'
INK='#4F5B66'

# No ancillary chunks at all: no dates, and no gAMA/cHRM for a loader to "correct" colours with.
png=(-define png:exclude-chunk=all +set date:create +set date:modify)
save_rgb()  { "$IM" "$1" "${png[@]}" "PNG24:$2"; }
save_rgba() { "$IM" "$1" "${png[@]}" "PNG32:$2"; }

# ---------------------------------------------------------------- paper tile
# Per-pixel noise is periodic by construction; tiling virtual pixels keep the blurs periodic too.
"$IM" -size 128x128 xc:gray50 -seed 1709 +noise Random -colorspace Gray \
      -virtual-pixel tile -blur 0x0.7 -auto-level "$T/grain.png"
"$IM" -size 128x128 xc:gray50 -seed 4211 +noise Random -colorspace Gray \
      -virtual-pixel tile -blur 0x7 -auto-level "$T/cloud.png"
"$IM" "$T/grain.png" "$T/cloud.png" -compose blend -define compose:args=65,35 -composite \
      +level 97.0%,99.8% \
      \( -size 128x128 xc:'#FFFDF8' \) -compose multiply -composite \
      -type TrueColor "$T/paper.png"
save_rgb "$T/paper.png" "$out/BACKGROUND.png"

# ---------------------------------------------------------------- title bar
# Drawn once on a wide strip; the ends and one middle column are cut from it, so they join exactly.
w=240
"$IM" -size ${w}x100 xc:none \
      -fill 'rgba(0,0,0,0.30)' -draw "roundrectangle 2,6 $((w-3)),92 11,11" \
      -channel A -blur 0x2.2 +channel "$T/bar-shadow.png"
"$IM" -size ${w}x100 xc:none \
      -fill "$EDGE"  -draw "roundrectangle 2,4 $((w-3)),90 11,11" \
      -fill "$BLUE"  -draw "roundrectangle 3,5 $((w-4)),89 10,10" \
      -fill "$PANEL" -draw "roundrectangle 3,5 $((w-4)),86 10,10" \
      -fill '#FAFAF9' -draw "line 12,5 $((w-13)),5" \
      "$T/bar-body.png"
"$IM" "$T/bar-shadow.png" "$T/bar-body.png" -compose over -composite "$T/bar.png"
save_rgba "$T/bar.png[22x100+0+0]"           "$out/TITLE_PNL_L.png"
save_rgba "$T/bar.png[1x100+$((w/2))+0]"     "$out/TITLE_PNL_M.png"
save_rgba "$T/bar.png[22x100+$((w-22))+0]"   "$out/TITLE_PNL_R.png"

# ---------------------------------------------------------------- emblem
# Heart with an ECG trace in a rounded square, drawn 4x and reduced; also the icon's source.
# emblem <canvas w> <h> <background or none> <out> <square x0> <y0> <x1> <y1> <corner r> <trace width>
# (all at 4x; the trace width is in heart units, so smaller sizes ask for more)
heart='M50,88 C20,66 2,48 2,28 C2,12 14,2 28,2 C38,2 46,8 50,17 C54,8 62,2 72,2 C86,2 98,12 98,28 C98,48 80,66 50,88 Z'
trace='-16,48 18,48 23,42 28,48 38,48 42,54 50,23 56,64 60,48 68,48 75,38 82,48 116,48'
emblem() {
  local W=$1 H=$2 bg=$3 dst=$4 x0=$5 y0=$6 x1=$7 y1=$8 r=$9 tw=${10}
  local cx=$(( (x0 + x1) / 2 )) cy=$(( (y0 + y1) / 2 )) side=$(( x1 - x0 ))
  # heart is 100x90 units, about two thirds of the square
  local s; s=$(awk -v d="$side" 'BEGIN{printf "%.4f", d*0.66/100}')
  local hx hy; hx=$(awk -v c="$cx" -v s="$s" 'BEGIN{printf "%.2f", c-50*s}')
  hy=$(awk -v c="$cy" -v s="$s" 'BEGIN{printf "%.2f", c-45*s+s*3}')
  local place="translate $hx,$hy scale $s,$s"
  "$IM" -size "${W}x${H}" xc:none -fill 'rgba(0,0,0,0.45)' \
        -draw "roundrectangle $x0,$((y0 + side/40)) $x1,$((y1 + side/40)) $r,$r" \
        -channel A -blur $((side*3/40))x$((side/40)) +channel "$T/e-shadow.png"
  "$IM" -size "${W}x${H}" xc:none -fill white -draw "roundrectangle $x0,$y0 $x1,$y1 $r,$r" "$T/e-mask.png"
  "$IM" -size "${W}x${H}" gradient:"$BLUE_HI-$BLUE_LO" -alpha set "$T/e-mask.png" -compose DstIn -composite "$T/e-square.png"
  "$IM" -size "${W}x${H}" xc:none -fill none -stroke white -strokewidth "$tw" \
        -draw "stroke-linejoin round stroke-linecap round $place polyline $trace" "$T/e-trace-w.png"
  "$IM" -size "${W}x${H}" xc:none -fill white -draw "$place path '$heart'" "$T/e-heart.png"
  "$IM" -size "${W}x${H}" xc:none -fill none -stroke "$RED" -strokewidth "$tw" \
        -draw "stroke-linejoin round stroke-linecap round $place polyline $trace" \
        "$T/e-heart.png" -compose DstIn -composite "$T/e-trace-r.png"
  "$IM" -size "${W}x${H}" xc:"$bg" \
        "$T/e-shadow.png" -compose over -composite \
        "$T/e-square.png" -composite \
        "$T/e-trace-w.png" -composite \
        "$T/e-heart.png" -composite \
        "$T/e-trace-r.png" -composite \
        -filter Box -resize 25% "$dst"
}
emblem 288 280 "$PANEL" "$T/logo.png" 30 18 258 246 52 7
save_rgb "$T/logo.png" "$out/LOGO.png"

# ---------------------------------------------------------------- title
# The name is drawn in one pass (true spacing and kerning) and coloured by columns afterwards.
NAME='Ритмон - Vidoze'
SUB='Комплекс суточного мониторирования электрокардиограмм'
nf=$LB/LiberationSans-Bold.ttf; ns=38; nx=2; ny=57
right_edge() {  # right edge of a text drawn at the name's place
  "$IM" -size 500x66 xc:black -font "$nf" -pointsize $ns -fill white -annotate +$nx+$ny "$1" \
        -trim -format '%[fx:page.x+w]' info:
}
b1=$(( $(right_edge 'Ритмон') + 3 ))
b2=$(( $(right_edge 'Ритмон -') + 3 ))
"$IM" -size 500x66 xc:black -font "$nf" -pointsize $ns -fill white -annotate +$nx+$ny "$NAME" "$T/name-mask.png"
"$IM" -size 500x66 xc:"$RED" \
      -fill '#8C969E' -draw "rectangle 0,0 $((b2 - 1)),65" \
      -fill "$BLUE"   -draw "rectangle 0,0 $((b1 - 1)),65" \
      "$T/name-mask.png" -alpha off -compose CopyOpacity -composite "$T/name.png"
# a faint trace trailing off to the right, fading in and out so it has no hard ends
d0=$(( $(right_edge "$NAME") + 14 ))
beat=$(awk -v o=$((d0 + 40)) 'BEGIN{n=split("0,47 5,43 10,47 20,47 24,51 30,25 36,58 40,47 50,47 58,39 66,47",p," ");
  for(k=1;k<=n;k++){split(p[k],q,",");printf "%d,%d ",q[1]+o,q[2]}}')
"$IM" -size 500x66 xc:none -fill none -stroke '#A7B9C9' -strokewidth 1.4 \
      -draw "stroke-linejoin round polyline $d0,47 $beat 498,47" \
      -channel A -fx "u*min(1,max(0,(i-$d0)/40))*min(1,max(0,(496-i)/70))" +channel "$T/deco.png"
"$IM" -size 500x66 xc:"$PANEL" "$T/deco.png" -compose over -composite "$T/name.png" -composite \
      -font "$LB/LiberationSans-Regular.ttf" -pointsize 13 -kerning 0.3 -fill "$INK" -annotate +3+15 "$SUB" \
      "$T/title.png"
save_rgb "$T/title.png" "$out/TITLE.png"

# ---------------------------------------------------------------- main panels
# Image origin is window (-3,95). The pane and page controls sit at image rects
# (19,15)-(300,455) and (323,15)-(941,455); each panel leaves them a 7 px rim.
panels() {  # sets pa: draw both panels in $1, grown by $2, shifted down by $3
  local g=$2 dy=$3
  pa=(-fill "$1"
      -draw "roundrectangle $((12-g)),$((8-g+dy)) $((307+g)),$((462+g+dy)) $((7+g)),$((7+g))"
      -draw "roundrectangle $((316-g)),$((8-g+dy)) $((948+g)),$((462+g+dy)) $((7+g)),$((7+g))")
}
panels 'rgba(0,0,0,0.28)' 0 2
"$IM" -size 958x472 xc:none "${pa[@]}" -channel A -blur 8x2.5 +channel "$T/main-shadow.png"
panels "$EDGE" 0 0;    edge=("${pa[@]}")
panels "$PANEL" -1 0
"$IM" -size 958x472 xc:none "${edge[@]}" "${pa[@]}" "$T/main-body.png"
"$IM" "$T/main-shadow.png" "$T/main-body.png" -compose over -composite "$T/main.png"
save_rgba "$T/main.png" "$out/MAIN.png"

# ---------------------------------------------------------------- button glyphs
# Each is drawn on a 64x64 grid (4x) and reduced; the strip is normal | disabled.
# shape <out> <top colour> <bottom colour> <outline> <mvg>: gradient-filled outlined shape
shape() {
  "$IM" -size 64x64 xc:none -fill white -draw "$5" "$T/g-mask.png"
  "$IM" -size 64x64 gradient:"$2-$3" -alpha set "$T/g-mask.png" -compose DstIn -composite \
        -fill none -stroke "$4" -strokewidth 4 -draw "stroke-linejoin round $5" "$1"
}
# over <base> <layer>...: stack layers onto base in place
over() { local b=$1; shift; local a=("$b"); for l; do a+=("$l" -composite); done; "$IM" "${a[@]}" "$b"; }
# strip <name> <64x64 drawing>: reduce and append the greyed copy
strip() {
  "$IM" "$2" -filter Box -resize 16x16 "$T/g-16.png"
  "$IM" "$T/g-16.png" \( +clone -colorspace Gray +level 38%,82% -colorspace sRGB \
        -channel A -evaluate multiply 0.55 +channel \) +append +repage "$T/g-strip.png"
  save_rgba "$T/g-strip.png" "$out/$1.png"
}

arrow='polygon 6,24 30,24 30,9 58,32 30,55 30,40 6,40'
shape "$T/next.png" "$BLUE_HI" "$BLUE" "$BLUE_LO" "$arrow"
strip GLYPH_NEXT "$T/next.png"
"$IM" "$T/next.png" -flop "$T/back.png"
strip GLYPH_BACK "$T/back.png"

"$IM" -size 64x64 xc:none -fill none -stroke '#8E1B28' -strokewidth 17 \
      -draw "stroke-linecap round line 16,16 48,48 line 48,16 16,48" \
      -stroke '#E0414F' -strokewidth 10 -draw "stroke-linecap round line 16,16 48,48 line 48,16 16,48" \
      "$T/cancel.png"
strip GLYPH_CANCEL "$T/cancel.png"

# a tick, drawn like the cross
"$IM" -size 64x64 xc:none -fill none -stroke '#17602C' -strokewidth 17 \
      -draw "stroke-linejoin round stroke-linecap round polyline 12,34 26,48 52,16" \
      -stroke '#4CC46E' -strokewidth 10 -draw "stroke-linejoin round stroke-linecap round polyline 12,34 26,48 52,16" \
      "$T/ok.png"
strip GLYPH_OK "$T/ok.png"

# door frame with the leaf swung open and an arrow leaving through it
shape "$T/exit.png"   '#F2F4F6' '#C9D1D8' '#59646E' 'rectangle 6,6 38,58'
shape "$T/e-leaf.png" '#C98E55' '#8F5C2E' '#5E3B1C' 'polygon 6,6 26,14 26,62 6,58'
"$IM" -size 64x64 xc:none -fill '#F3D9A6' -draw 'circle 21,37 21,39.5' "$T/e-knob.png"
shape "$T/e-arrow.png" '#4CC46E' '#23873F' '#17602C' 'polygon 30,26 44,26 44,15 61,32 44,49 44,38 30,38'
over "$T/exit.png" "$T/e-leaf.png" "$T/e-knob.png" "$T/e-arrow.png"
strip GLYPH_EXIT "$T/exit.png"

# arrow down into a tray
"$IM" -size 64x64 xc:none -fill none -stroke '#3E4B57' -strokewidth 11 \
      -draw "stroke-linejoin round stroke-linecap round polyline 8,38 8,56 56,56 56,38" \
      -stroke '#8C9AA7' -strokewidth 5 \
      -draw "stroke-linejoin round stroke-linecap round polyline 8,38 8,56 56,56 56,38" "$T/install.png"
shape "$T/i-arrow.png" '#4CC46E' '#23873F' '#17602C' 'polygon 24,4 40,4 40,22 52,22 32,44 12,22 24,22'
over "$T/install.png" "$T/i-arrow.png"
strip GLYPH_INSTALL "$T/install.png"

shape "$T/folder.png" '#E9B73C' '#C98F12' '#8D620A' 'polygon 4,10 24,10 30,17 60,17 60,56 4,56'
shape "$T/f-front.png" '#FFE08A' '#F2B935' '#8D620A' 'polygon 4,26 60,26 60,56 4,56'
over "$T/folder.png" "$T/f-front.png"
strip GLYPH_FOLDER "$T/folder.png"

# a large and a small letter
"$IM" -size 64x64 xc:none -font "$DJ/DejaVuSans-Bold.ttf" \
      -pointsize 58 -fill "$BLUE_LO" -annotate +0+56 'A' \
      -pointsize 32 -fill "$INK" -annotate +41+56 'A' "$T/font.png"
strip GLYPH_FONT "$T/font.png"

# ---------------------------------------------------------------- program icon
# The emblem again, on transparency; the small sizes get a bolder trace to stay legible.
emblem 192 192 none "$T/icon48.png" 6 4 186 184 36 7
emblem 128 128 none "$T/icon32.png" 4 2 124 122 26 9
emblem 64 64   none "$T/icon16.png" 1 0 63 62 12 13
"$IM" "$T/icon16.png" "$T/icon32.png" "$T/icon48.png" "${png[@]}" "ICO:$out/Install.ico"

# ---------------------------------------------------------------- information text
# Written readable in UTF-8; the control wants code page 1251 as \'xx escapes in a pure ASCII file.
iconv -f UTF-8 -t CP1251 "$here/info.rtf.in" \
  | perl -pe 's/([\x80-\xff])/sprintf("\\\x27%02x", ord $1)/ge' > "$here/info.rtf"

# ---------------------------------------------------------------- self-check
# The program relies on these facts; fail loudly rather than commit artwork that breaks them.
fail=0
expect() {  # <file or file[crop]> <format> <wanted>
  local got; got=$("$IM" "$1" +repage -format "$2" info:)
  [ "$got" = "$3" ] || { echo "draw-artwork: $1: $2 is '$got', wanted '$3'" >&2; fail=1; }
}
while read -r f size kind; do
  expect "$out/$f" '%wx%h %[channels]' "$size $kind"
done <<'LIST'
BACKGROUND.png   128x128 srgb
MAIN.png         958x472 srgba
LOGO.png         72x70   srgb
TITLE.png        500x66  srgb
TITLE_PNL_L.png  22x100  srgba
TITLE_PNL_R.png  22x100  srgba
TITLE_PNL_M.png  1x100   srgba
GLYPH_NEXT.png   32x16   srgba
GLYPH_BACK.png   32x16   srgba
GLYPH_CANCEL.png 32x16   srgba
GLYPH_OK.png     32x16   srgba
GLYPH_EXIT.png   32x16   srgba
GLYPH_INSTALL.png 32x16  srgba
GLYPH_FOLDER.png 32x16   srgba
GLYPH_FONT.png   32x16   srgba
LIST
expect "$out/Install.ico" '%wx%h ' '16x16 32x32 48x48 '
# the program takes this pixel as the colour of its panes
expect "$out/TITLE.png" '%[pixel:p{0,0}]' 'srgb(236,236,235)'
# the ends continue the middle slice exactly
expect "$out/TITLE_PNL_L.png[1x100+21+0]" '%#' "$("$IM" "$out/TITLE_PNL_M.png" -format '%#' info:)"
expect "$out/TITLE_PNL_R.png[1x100+0+0]"  '%#' "$("$IM" "$out/TITLE_PNL_M.png" -format '%#' info:)"
# the bar is plain pane colour where LOGO (y 15..84) and TITLE (y 20..85) sit, and their rims match it
expect "$out/TITLE_PNL_M.png[1x71+0+15]" '%k %[pixel:p{0,0}]' '1 srgba(236,236,235,1)'
for f in LOGO.png TITLE.png; do
  "$IM" "$out/$f" \( +clone -shave 1 -bordercolor "$PANEL" -border 1 \) -compose difference -composite "$T/rim-$f"
  expect "$T/rim-$f" '%[max]' '0'
done
# every control rect grown by 4 px lies on solid pane colour; the gap between panels is open
expect "$out/MAIN.png[290x449+15+11]"  '%k %[pixel:p{0,0}]' '1 srgba(236,236,235,1)'
expect "$out/MAIN.png[627x449+319+11]" '%k %[pixel:p{0,0}]' '1 srgba(236,236,235,1)'
expect "$out/MAIN.png[1x449+311+11]"   '%[fx:maxima.a<0.1]' '1'
if LC_ALL=C grep -q '[^ -~]' "$here/info.rtf"; then echo "draw-artwork: info.rtf is not pure ASCII" >&2; fail=1; fi
exit $fail

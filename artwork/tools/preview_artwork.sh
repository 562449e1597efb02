#!/usr/bin/env bash
# Renders the artwork the way the editor and the container application show it, for looking
# at by eye: every picture at several sizes over the editor's orange-brown, each dial with the
# pointer at its lowest, middle and highest position, a mock editor at 420 x 280 (and at
# twice the pixel density) and the application's 400 x 300 window.
#
#   artwork/tools/preview_artwork.sh [OUTDIR]      (default /tmp/drollicant-preview)
#
# Needs rsvg-convert (Debian package librsvg2-bin) and ImageMagick; neither is needed to build.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
res="$here/../Resources"
out="${1:-/tmp/drollicant-preview}"
bg='#BD4C00'
mkdir -p "$out/parts"
p="$out/parts"

# Underlays are shown 5 % larger than a fit and cut at the square; the overlay at a fit.
underlay() { # name size file
  local big=$(( ($2 * 105 + 50) / 100 ))
  rsvg-convert -w "$big" -h "$big" "$res/$1.svg" -o "$p/tmp_$$.png"
  convert "$p/tmp_$$.png" -gravity center -crop "${2}x${2}+0+0" +repage "$3"
}
overlay() { # size angle file
  rsvg-convert -w "$1" -h "$1" "$res/KnobOverlay.svg" -o "$p/tmp_$$.png"
  convert "$p/tmp_$$.png" -background none -virtual-pixel transparent \
    -distort SRT "$2" +repage "$3"
}
knob() { # name size angle file
  underlay "$1" "$2" "$p/u_$$.png"
  overlay "$2" "$3" "$p/o_$$.png"
  convert "$p/u_$$.png" "$p/o_$$.png" -composite "$4"
}

dials=(Charisma Naivete Nostalgia Surprise Whimsy Sweetness)

# 1. Every dial with the pointer at -160, 0 and +160 degrees, at several sizes.
for size in 24 48 100 200 400; do
  row=()
  for name in "${dials[@]}" Drollicant; do
    for angle in -160 0 160; do
      knob "${name}Underlay" "$size" "$angle" "$p/k_${name}_${size}_${angle}.png"
      row+=("$p/k_${name}_${size}_${angle}.png")
    done
  done
  montage "${row[@]}" -tile 9x -geometry "+$(( size / 10 + 2 ))+$(( size / 10 + 2 ))" \
    -background "$bg" "$out/knobs_${size}.png"
done

# 2. Captions at the sizes they get (3r x 1.2r for r = 8, 20, 40).
for r in 8 20 40; do
  w=$(( 3 * r )); h=$(( 12 * r / 10 ))
  for word in Flighty Genteel; do
    rsvg-convert -w "$w" -h "$h" "$res/${word}Label.svg" -o "$p/c_${word}_${r}.png"
  done
  convert -size "$(( 10 * r ))x$(( 2 * r ))" "xc:$bg" \
    "$p/c_Flighty_${r}.png" -geometry "+$(( r / 2 ))+$(( 4 * r / 10 ))" -composite \
    "$p/c_Genteel_${r}.png" -geometry "+$(( 5 * r ))+$(( 4 * r / 10 ))" -composite \
    "$out/captions_${r}.png"
done

# 3. Mock editor, 420 x 280 points, at 1x and 2x: knobs of 100 at the editor's grid places,
#    radio buttons of 20 with their captions of 60 x 24. Values differ so the pointers vary.
calc() { awk "BEGIN { print $1 }"; }
editor() { # scale file
  local s=$1
  local args=() i=0
  local xs=(30 160 290 30 160 290) ys=(15 15 15 130 130 130) angles=(-160 -64 0 64 112 160)
  for name in "${dials[@]}"; do
    knob "${name}Underlay" $(( 100 * s )) "${angles[$i]}" "$p/e_${name}_$s.png"
    args+=("$p/e_${name}_$s.png" -geometry "+$(( xs[i] * s ))+$(( ys[i] * s ))" -composite)
    i=$(( i + 1 ))
  done
  for word in Flighty Genteel; do
    rsvg-convert -w $(( 60 * s )) -h $(( 24 * s )) "$res/${word}Label.svg" -o "$p/e_${word}_$s.png"
  done
  local ring=$(( 20 * s ))
  convert -size "${ring}x${ring}" xc:none -fill none -stroke white -strokewidth "$(calc "0.055*$ring")" \
    -draw "circle $(( ring / 2 )),$(( ring / 2 )) $(( ring / 2 )),$(calc "$ring/2-0.45*$ring")" "$p/e_off_$s.png"
  convert "$p/e_off_$s.png" -fill white -stroke none \
    -draw "circle $(( ring / 2 )),$(( ring / 2 )) $(( ring / 2 )),$(calc "$ring/2-0.25*$ring")" "$p/e_on_$s.png"
  convert -size "$(( 420 * s ))x$(( 280 * s ))" "xc:$bg" "${args[@]}" \
    "$p/e_on_$s.png" -geometry "+$(( 103 * s ))+$(( 241 * s ))" -composite \
    "$p/e_Flighty_$s.png" -geometry "+$(( 127 * s ))+$(( 239 * s ))" -composite \
    "$p/e_off_$s.png" -geometry "+$(( 233 * s ))+$(( 241 * s ))" -composite \
    "$p/e_Genteel_$s.png" -geometry "+$(( 257 * s ))+$(( 239 * s ))" -composite \
    "$2"
}
editor 1 "$out/editor_1x.png"
editor 2 "$out/editor_2x.png"

# 4. The application's window content: the product emblem with the pointer at rest.
knob DrollicantUnderlay 100 0 "$p/app_art.png"
convert -size 400x300 "xc:$bg" "$p/app_art.png" -geometry +150+70 -composite \
  -fill white -pointsize 12 -gravity north -annotate +0+180 'v1.0 (1)' \
  -fill '#FFFFFF4D' -draw 'rectangle 110,207 289,207' \
  -fill white -pointsize 13 -annotate +0+214 'Audio Unit Effect (AUv3)' \
  "$out/app_window.png"

rm -f "$p"/tmp_$$.png "$p"/u_$$.png "$p"/o_$$.png
echo "previews in $out"

#!/bin/sh
# Regenerates every picture, the icon and the mouse pointer in art/ from the SVG sources
# in art/src/. Needs Debian's librsvg2-bin, imagemagick, optipng, fonts-liberation2 and
# python3. The rendered files are committed; the build only reads them.
set -eu
art=$(cd "$(dirname "$0")" && pwd)
src=$art/src
out=$art/png
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# render SVG WIDTH HEIGHT FILE: the picture at exactly WIDTH x HEIGHT pixels.
render() {
    rsvg-convert -w "$2" -h "$3" "$src/$1.svg" -o "$4"
}

# picture NAME WIDTH HEIGHT alpha|opaque: png/NAME.png and its double-size png/NAME@2x.png.
# Pictures that lie on a background keep 8-bit RGBA; opaque ones lose the alpha channel
# and may become palette images where that is lossless.
picture() {
    for scale in 1 2; do
        suffix=""
        [ "$scale" = 2 ] && suffix=@2x
        file=$out/$1$suffix.png
        render "$1" $(($2 * scale)) $(($3 * scale)) "$tmp/raw.png"
        if [ "$4" = opaque ]; then
            convert "$tmp/raw.png" -background white -alpha remove -alpha off -strip \
                -define png:exclude-chunks=date,time "$file"
            optipng -quiet -o7 -strip all "$file"
        else
            cp "$tmp/raw.png" "$file"
            optipng -quiet -o7 -nc -nb -strip all "$file"
        fi
    done
}

picture background 16 16 opaque
picture banner 482 80 opaque
picture banner-wide 648 80 opaque
picture help-runas 321 137 opaque
picture stick-padlock 56 53 alpha
picture stick-noentry 56 55 alpha
picture stick-check 55 53 alpha
picture stick-plain 55 53 alpha
picture info 21 39 alpha
picture disc-tick 29 29 alpha
picture disc-cross 30 30 alpha
picture disc-bar 30 29 alpha
picture disc-question 30 30 alpha
picture check22 22 22 alpha
picture keys32 32 32 alpha

# Window icon: a design of its own for 16 pixels, the full one for the larger sizes.
render app-icon-16 16 16 "$tmp/icon16.png"
for size in 24 32 48 256; do
    render app-icon $size $size "$tmp/icon$size.png"
done
optipng -quiet -o7 -nc -nb -strip all "$tmp/icon256.png"
python3 "$src/mkicon.py" ico "$art/kelvane.ico" \
    "$tmp/icon16.png" "$tmp/icon24.png" "$tmp/icon32.png" "$tmp/icon48.png" "$tmp/icon256.png"

# Pointing hand, hotspot at the tip of the index finger, for 100 % and 200 % scaling.
render hand 32 32 "$tmp/hand32.png"
render hand 64 64 "$tmp/hand64.png"
optipng -quiet -o7 -nc -nb -strip all "$tmp/hand64.png"
python3 "$src/mkicon.py" cur "$art/hand.cur" "$tmp/hand32.png:7,0" "$tmp/hand64.png:14,0"

#!/usr/bin/env bash
# Writes the wallpaper fuzz target's seeds into fuzz/corpus/wallpaper/ with ImageMagick: small pictures of every
# kind the decoders take (PNG of each colour type, interlaced and 16-bit; JPEG baseline, progressive and grey;
# WebP lossy, lossless and with alpha), a truncated one of each format, and a PNG whose header claims a huge size.
# huge_sides_overflow.png (a header of two sides of 2^32 - 1) and text_chunk_beyond_the_end.png (a text chunk
# claiming 1.4 GB) are inputs the fuzzer found; they stay as they are.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus/wallpaper"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 24x16 gradient:'#3060a0-#f0e0c0' "$tmp/base.png"
convert -size 24x16 xc:none -fill '#c04020' -draw 'circle 12,8 12,2' "$tmp/alpha.png"
convert "$tmp/base.png" PNG24:"$out/rgb.png"
convert "$tmp/base.png" -colors 8 PNG8:"$out/palette.png"
convert "$tmp/base.png" -colorspace Gray -depth 8 "$out/grey.png"
convert "$tmp/base.png" -colorspace Gray -depth 2 "$out/grey2.png"
convert "$tmp/base.png" -depth 16 PNG48:"$out/rgb16.png"
convert "$tmp/alpha.png" PNG32:"$out/alpha.png"
convert "$tmp/base.png" -interlace PNG "$out/interlaced.png"
convert "$tmp/base.png" -quality 80 "$out/baseline.jpg"
convert "$tmp/base.png" -interlace JPEG "$out/progressive.jpg"
convert "$tmp/base.png" -colorspace Gray "$out/grey.jpg"
convert "$tmp/base.png" -sampling-factor 1x1 -quality 95 "$out/444.jpg"
convert "$tmp/base.png" -quality 70 "$out/lossy.webp"
convert "$tmp/base.png" -define webp:lossless=true "$out/lossless.webp"
convert "$tmp/alpha.png" "$out/alpha.webp"
for f in rgb.png progressive.jpg lossy.webp; do
  head -c $(($(stat -c %s "$out/$f") * 2 / 3)) "$out/$f" >"$out/truncated_$f"
done
# The same PNG with its header's width and height set to 100000 (the chunk's CRC left wrong, as a hostile file's
# may be; libpng checks it first, so a second copy carries a right one).
python3 - "$out/rgb.png" "$out/huge_bad_crc.png" "$out/huge.png" <<'PY'
import struct, sys, zlib
data = bytearray(open(sys.argv[1], "rb").read())
data[16:24] = struct.pack(">II", 100000, 100000)
open(sys.argv[2], "wb").write(data)
data[29:33] = struct.pack(">I", zlib.crc32(bytes(data[12:29])) & 0xFFFFFFFF)
open(sys.argv[3], "wb").write(data)
PY

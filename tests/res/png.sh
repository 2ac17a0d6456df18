# PNG header fields, read with od so that the tests need nothing beyond coreutils.

# "WIDTH HEIGHT BITDEPTH COLOURTYPE" of a PNG file; nothing for another file.
png_header() {
  [ "$(od -An -tx1 -N8 "$1" | tr -d ' \n')" = 89504e470d0a1a0a ] || return 0
  od -An -tu1 -j16 -N10 "$1" |
    awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8, $9, $10 }'
}

# "WIDTH HEIGHT" of a PNG file.
png_size() { png_header "$1" | cut -d' ' -f1,2; }

#!/usr/bin/python3
# Prints the module matrix that segno (Debian's python3-segno, an independent
# QR Code encoder) makes for a text, one row per line, '1' for a dark module.
# Usage: segno_matrix.py HEXBYTES VERSION LEVEL MASK MODE
#   HEXBYTES  the text's bytes in hexadecimal (Shift-JIS for Kanji)
#   VERSION   1-40; LEVEL one of L M Q H; MASK 0-7, "all" for the eight
#             matrices of masks 0-7 separated by empty lines, or "auto" to
#             print only the mask segno chooses itself
#   MODE      numeric | alphanumeric | byte | kanji
import sys
import segno
from segno import encoder

# segno 1.4 appends a whole zero codeword when the terminated bit stream already
# ends on a codeword boundary (it adds 8 - length % 8 bits even when that is 8);
# the standard adds padding bits only to reach the boundary. 8-bit segments always
# end on a boundary after the terminator, so without this the reference would
# differ from every conforming encoder there.
_write_padding_bits = encoder.write_padding_bits
def _padding_to_boundary(buff, version, length):
    if length % 8:
        _write_padding_bits(buff, version, length)
encoder.write_padding_bits = _padding_to_boundary

data = bytes.fromhex(sys.argv[1])
version, level, mode = int(sys.argv[2]), sys.argv[3], sys.argv[5]
content = data.decode('shift_jis') if mode == 'kanji' else (data if mode == 'byte' else data.decode('ascii'))


def make(mask):
    qr = segno.make_qr(content, version=version, error=level, mask=mask, mode=mode, boost_error=False,
                       encoding='shift_jis' if mode == 'kanji' else None)
    if qr.version != version or (mask is not None and qr.mask != mask) or qr.mode != mode:
        sys.exit('segno chose version %s mask %s mode %s' % (qr.version, qr.mask, qr.mode))
    return qr


def show(qr):
    for row in qr.matrix_iter(scale=1, border=0):
        print(''.join('1' if m else '0' for m in row))


if sys.argv[4] == 'auto':
    print(make(None).mask)
elif sys.argv[4] == 'all':
    for m in range(8):
        if m:
            print()
        show(make(m))
else:
    show(make(int(sys.argv[4])))

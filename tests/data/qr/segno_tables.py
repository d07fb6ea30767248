#!/usr/bin/python3
# Prints segno's block table of the standard (Debian's python3-segno): one line
# per version 1-40 and level L, M, Q, H: "version level blocks ecc-per-block
# data-codewords".
from segno import consts

levels = {'L': consts.ERROR_LEVEL_L, 'M': consts.ERROR_LEVEL_M, 'Q': consts.ERROR_LEVEL_Q, 'H': consts.ERROR_LEVEL_H}
for version in range(1, 41):
    for name in 'LMQH':
        groups = consts.ECC[version][levels[name]]
        blocks = sum(g.num_blocks for g in groups)
        ecc = {g.num_total - g.num_data for g in groups}
        assert len(ecc) == 1
        data = sum(g.num_blocks * g.num_data for g in groups)
        print(version, name, blocks, ecc.pop(), data)

#!/usr/bin/env python3
"""Writes the fuzz_contour seeds (corpus/fuzz_contour/) and its regression inputs.

fuzz_contour reads its input through FuzzedDataProvider, which takes integers
from the end of the data backwards, each one's bytes little-endian: so a seed is
the list of values the target consumes, in order, written back to front.

    python3 fuzz/contour_seeds.py [OUT_DIR]
"""
import math
import os
import random
import struct
import sys

# Selector bytes of the target's special values (kSpecial, from 128).
SPECIAL = ['nan', '-nan', 'inf', '-inf', 'max', '-max', '3e38', '-3e38',
           '1.6e38', '-2e38', 'denorm', '-denorm', 'min', '0', '-0', '1e30']


def float_bits(value):
    return struct.unpack('<I', struct.pack('<f', value))[0]


def encode(n, values, step, extents=None, pick=0, scale_one=True):
    """n cells a side, (n+1)^2 values (i outer), step as (case, argument)."""
    out = []  # (struct format, value) in the order the target consumes them

    def value(v):
        quarter = None if isinstance(v, str) else v * 4 + 64
        if quarter is None:
            out.append(('B', 128 + SPECIAL.index(v)))
        elif quarter == int(quarter) and 0 <= quarter < 128:
            out.append(('B', int(quarter)))
        else:
            out.extend([('B', 192), ('I', float_bits(v))])

    assert len(values) == (n + 1) ** 2
    out += [('B', n - 1), ('B', 1 if extents else 0)]  # mesh 1..11, own extents
    for v in values + list(extents or []):
        value(v)
    case, argument = step
    out.append(('B', case))
    if case == 7:                  # raw bits
        out.append(('I', float_bits(argument)))
    elif case >= 9:                # (hi - lo) / argument, 1..5000
        out.append(('H', argument - 1))
    out += [('I', pick), ('B', 1 if scale_one else 0)]
    return b''.join(struct.pack('<' + f, v) for f, v in reversed(out))


def grid(n, f):
    return [f(i, j) for i in range(n + 1) for j in range(n + 1)]


def quarter(v):
    return round(v * 4) / 4


SEEDS = {
    'bowl': encode(6, grid(6, lambda i, j: quarter(((i - 3) ** 2 + (j - 3) ** 2) / 2)), (8, 0)),
    'saddle-with-nonfinite': encode(11, [
        'nan' if (i, j) == (3, 4) else 'inf' if (i, j) == (7, 7) else
        '-inf' if (i, j) == (2, 9) else quarter((i - 5.5) * (j - 5.5) / 4)
        for i in range(12) for j in range(12)], (9, 40)),
    'near-float-limit': encode(4, grid(4, lambda i, j: 1e37 * ((i * 7 + j * 3) % 9 - 4)), (9, 50)),
    'tiny-step': encode(3, grid(3, lambda i, j: quarter(i - j)), (5, 0)),
    'nan-step-own-extents': encode(2, grid(2, lambda i, j: quarter(i * j)), (3, 0),
                                   extents=(-1.0, 'inf')),
    'flat': encode(5, [2.5] * 36, (8, 0)),
    'all-nan': encode(3, ['nan'] * 16, (8, 0)),
    'ties-on-levels': encode(4, grid(4, lambda i, j: [0, 0.25, 0.5, 1.0, 0.75][(i * j) % 5]),
                             (7, 0.25)),
}



def sampled(f, n, r):
    """f on the n-cell grid over -r..r as the sampler stores it: a float, NaN
    where f has no value, infinity where it overflows (upwards, in these)."""
    def one(i, j):
        try:
            v = struct.unpack('<f', struct.pack('<f', f(-r + 2 * r * i / n, -r + 2 * r * j / n)))[0]
        except OverflowError:
            return 'inf'
        except ValueError:
            return 'nan'
        return 'nan' if math.isnan(v) else ('inf' if v > 0 else '-inf') if math.isinf(v) else v
    return grid(n, one)


# Pictures of formulas (the crossed-levels walk against the walk over every
# level), each at four intervals.
FORMULAS = {
    'default': (lambda x, y: 1.0 if x == y == 0 else
                math.sin(math.hypot(x, y)) / math.hypot(x, y), 12, (1, 3, 11)),
    'saddle': (lambda x, y: x * y, 2, (7,)),
    'constant': (lambda x, y: 2.5, 3, (6,)),
    'steep': (lambda x, y: 50 * x + y, 2, (8,)),
    'nearly-flat': (lambda x, y: 5 + 0.0001 * (x - y), 2, (8,)),
    'terraces': (lambda x, y: x * x + y * y, 3, (6,)),
    'log-nan-and-minus-infinity': (lambda x, y: -math.inf if x * y == 0 else math.log(x * y), 3, (8,)),
    'exp-infinity': (lambda x, y: math.exp(x * 300), 3, (8,)),
    'nothing-finite': (lambda x, y: math.sqrt(-1 - x * x), 1, (4,)),
}
for name, (f, r, meshes) in FORMULAS.items():
    for n in meshes:
        for interval in (0.01, 0.05, 1.0, 100.0):
            SEEDS[f'{name}-n{n}-by-{interval:g}'] = encode(n, sampled(f, n, r),
                                                           (7, interval))

# Corners of every kind, each value also a level (lo = -2.75, by 0.25): where
# ContourCrossedLevels says a cell is crossed must agree with ContourCell.
AWKWARD = ['nan', '-inf', -1, -0.5, 0, 0.25, 1, 'inf']
for k in range(16):
    rng = random.Random(k)
    SEEDS[f'awkward-corners-{k}'] = encode(11, [rng.choice(AWKWARD) for _ in range(144)],
                                           (7, 0.25), extents=(-2.5, 1.0))
# Level lists: a range starting below zero by 0.05, equal extents, a list
# long enough to be checked in strides.
SEEDS['levels-from-the-range'] = encode(1, [-0.2172, 1.0, 0.5, 0.0], (7, 0.05))
SEEDS['levels-of-equal-extents'] = encode(1, [2.0] * 4, (7, 0.25))
SEEDS['over-100000-levels'] = encode(1, [0, 1, 1, 0], (7, 1e-5))
# Extents and intervals the levels refuse.
SEEDS['automatic-interval'] = encode(2, grid(2, lambda i, j: i - j), (0, 0))
for name, case in (('negative', 2), ('infinite', 4)):
    SEEDS[f'refused-interval-{name}'] = encode(2, grid(2, lambda i, j: i - j), (case, 0))
SEEDS['refused-extents-nan'] = encode(2, grid(2, lambda i, j: i - j), (8, 0), extents=('nan', 1))
SEEDS['refused-extents-minus-infinity'] = encode(2, grid(2, lambda i, j: i), (8, 0),
                                                 extents=('-inf', 1))

# A cell whose corners lie more than the float range apart, with an interval
# that gives 66 levels: the segment ends of the levels below the middle
# collapse onto the cell's edge, those above come out NaN, and so do the colours.
# One finite height and NaN around it: the extents are equal, and every level
# crossing the cell gets a colour with infinite or NaN components.
REGRESSIONS = {
    'overflowing-corner-spread': encode(1, ['-3e38', '-3e38', '3e38', '3e38'], (7, 1e37)),
    'equal-extents-colour': encode(1, [5.0, 'nan', 'nan', 'nan'], (7, 0.25)),
}

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'corpus', 'fuzz_contour')
    for folder, seeds in ((out, SEEDS), (os.path.join(here, 'regressions', 'fuzz_contour'), REGRESSIONS)):
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)

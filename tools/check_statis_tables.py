#!/usr/bin/env python3
"""Checks the generated tables of analysis/QMR_statis_tables.cpp by independent routes.

Dean-Dixon: a second Monte Carlo run with its own seed that sorts whole normal
samples (np.partition on the order statistics each ratio reads) instead of the
generator's exponential spacings; largest |table - estimate| per range of n.

Durbin-Watson: the 5% points by Imhof's integral written afresh (scipy.integrate.quad
over t = u / (1 + u) on [0, 1)), against the tables and the fitted pieces as the
library evaluates them: every n = 6..100 and k, and a seeded random choice of
(n, k) above 100.  The sections are parsed from the C++ file.  Exits non-zero when a
deviation passes its tolerance (below).

    check_statis_tables.py [--dd-samples N] [--dw-points N] [--procs P] [CPP]
"""
import argparse
import re
import sys
from multiprocessing import Pool

import numpy as np
from scipy import integrate, optimize
from scipy.special import ndtri

LEVELS = [0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5]
# Largest admissible deviations: three-decimal rows (plus the integral's own error), the
# fits above n = 100, the Monte Carlo rows (both runs' noise at 2e6 samples).
DW_TOL_TABLE, DW_TOL_FIT, DD_TOL = 6e-4, 4e-4, 3e-3


def parse_arrays(path):
    src = open(path).read()
    out = {}
    for m in re.finditer(r"const double (\w+)\[(\d+)\]\[(\d+)\] = \{(.*?)\n\};", src, re.S):
        nums = [float(v) for v in re.findall(r"[-+]?\d[\d.]*(?:[eE][-+]?\d+)?(?=[,}])", m.group(4))]
        out[m.group(1)] = np.array(nums).reshape(int(m.group(2)), int(m.group(3)))
    return out


# ---------------------------------------------------------------- Dean-Dixon

def dd_ratio(x, n):
    """Ratio for the largest value; x holds the needed order statistics in place."""
    if n <= 7:
        return (x[:, n - 1] - x[:, n - 2]) / (x[:, n - 1] - x[:, 0])
    if n <= 10:
        return (x[:, n - 1] - x[:, n - 2]) / (x[:, n - 1] - x[:, 1])
    if n <= 13:
        return (x[:, n - 1] - x[:, n - 3]) / (x[:, n - 1] - x[:, 1])
    return (x[:, n - 1] - x[:, n - 3]) / (x[:, n - 1] - x[:, 2])


def dd_estimate(args):
    n, samples = args
    rng = np.random.default_rng([77, n])
    kth = sorted({0, 1, 2, n - 3, n - 2, n - 1} & set(range(n)))
    parts = []
    chunk = max(1, 20_000_000 // n)
    for lo in range(0, samples, chunk):
        x = rng.standard_normal((min(chunk, samples - lo), n))
        x.partition(kth, axis=1)
        parts.append(dd_ratio(x, n))
    return n, np.quantile(np.concatenate(parts), [1 - a for a in LEVELS])


# ---------------------------------------------------------------- Durbin-Watson

def prob_below(c):
    """P(sum c_j z_j^2 < 0), Imhof's integral over t = u / (1 + u)."""
    def f(t):
        u = t / (1 - t)
        theta = 0.5 * np.arctan(c * u).sum()
        lrho = 0.25 * np.log1p((c * u) ** 2).sum()
        return np.sin(theta) * np.exp(-lrho) / (u * (1 - t) ** 2) if u > 0 else 0.5 * c.sum()
    v = integrate.quad(f, 0, 1, limit=1000, epsabs=1e-12, epsrel=1e-10)[0]
    return 0.5 - v / np.pi


def exact_pair(args):
    n, k = args
    lam = 2 * (1 - np.cos(np.pi * np.arange(1, n) / n))
    m = n - k - 1
    res = []
    for ev in (lam[:m], lam[n - 1 - m:]):
        res.append(optimize.brentq(lambda d: prob_below(ev - d) - 0.05, ev[0] + 1e-9, ev[-1] - 1e-9, xtol=1e-10))
    return n, k, res[0], res[1]


def library_bounds(t, n, k):
    if n <= 100:
        return t["DurbinWatsonLowTable"][n - 6, k - 1], t["DurbinWatsonHighTable"][n - 6, k - 1]
    base = 2 + ndtri(0.05) * np.sqrt(4.0 / n)
    if n <= 500:
        x = n - (150 if n <= 200 else 350)
        lo = t["DurbinWatsonLowPoly%d" % (150 if n <= 200 else 350)][k - 1]
        hi = t["DurbinWatsonHighPoly%d" % (150 if n <= 200 else 350)][k - 1]
        return base + np.polyval(lo[::-1], x), base + np.polyval(hi[::-1], x)
    lo, hi = t["DurbinWatsonLowHyperbola"][k - 1], t["DurbinWatsonHighHyperbola"][k - 1]
    return base + 1 / (n * lo[1] + lo[0]), base + 1 / (n * hi[1] + hi[0])


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("cpp", nargs="?", default="analysis/QMR_statis_tables.cpp")
    ap.add_argument("--dd-samples", type=int, default=2_000_000)
    ap.add_argument("--dw-points", type=int, default=400)
    ap.add_argument("--procs", type=int, default=2)
    a = ap.parse_args()
    t = parse_arrays(a.cpp)

    rng = np.random.default_rng(11)
    pairs = [(n, k) for n in range(6, 101) for k in range(1, 21) if n - k >= 5]
    above = set()
    while len(above) < a.dw_points:
        above.add((int(rng.integers(101, 2001)), int(rng.integers(1, 21))))
    pairs += sorted(above) + [(n, k) for n in (101, 200, 201, 500, 501, 2000) for k in (1, 20)]
    worst = {}
    with Pool(a.procs) as pool:
        for n, k, lo, hi in pool.imap_unordered(exact_pair, pairs, chunksize=8):
            L, U = library_bounds(t, n, k)
            key = "n <= 100" if n <= 100 else "101..200" if n <= 200 else "201..500" if n <= 500 else "501..2000"
            worst[key] = max(worst.get(key, 0), abs(L - lo), abs(U - hi))
        bad = []
        for key in ("n <= 100", "101..200", "201..500", "501..2000"):
            print("Durbin-Watson %-9s largest |library - Imhof| %.2e" % (key, worst[key]))
            if worst[key] > (DW_TOL_TABLE if key == "n <= 100" else DW_TOL_FIT):
                bad.append("Durbin-Watson " + key)
        dd = t["DeanDixonCritTable"]
        worst = {}
        for n, q in pool.imap_unordered(dd_estimate, [(n, a.dd_samples) for n in range(3, 101)]):
            key = "3..13" if n <= 13 else "14..100"
            worst[key] = max(worst.get(key, 0), np.max(np.abs(dd[n - 3] - q)))
        for key in ("3..13", "14..100"):
            print("Dean-Dixon n = %-7s largest |table - Monte Carlo (%g samples)| %.2e" % (key, a.dd_samples, worst[key]))
            if worst[key] > DD_TOL:
                bad.append("Dean-Dixon " + key)
    if bad:
        raise SystemExit("beyond tolerance: " + ", ".join(bad))


if __name__ == "__main__":
    main()

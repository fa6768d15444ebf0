"""Calibrates one parameter against a well: the diffusion coefficient that
makes a run's pseudo-well at x = 1000 m match a synthetic well.

The "observed" well is made by a run with a known diffusion coefficient and
a little noise; scipy's bounded scalar minimiser then searches the
coefficient whose well fits it best in the least-squares sense (horizon
elevations, m). Each trial is one short run.

    PYTHONPATH=build/python /usr/bin/python3 python/examples/calibrate_one_parameter.py [PLOT.png]
"""

import sys

import numpy as np
from scipy.optimize import minimize_scalar

import vendrel

RUN = {"totaltime": 20000, "display_inc": 1000}  # 20 kyr, a horizon every 1 kyr
WELL_X = 1000.0  # m
TRUE_DIFF_COEFF = 0.4  # the value the calibration should find


def well_elevation(diff_coeff):
    return vendrel.run({**RUN, "diff_coeff": diff_coeff}).well(WELL_X)["elevation"]


def main():
    rng = np.random.default_rng(1)
    observed = well_elevation(TRUE_DIFF_COEFF) + rng.normal(0, 0.05, 21)

    trials = []

    def misfit(diff_coeff):
        value = float(np.sum((well_elevation(diff_coeff) - observed) ** 2))
        trials.append((diff_coeff, value))
        return value

    fit = minimize_scalar(misfit, bounds=(0.05, 2.0), method="bounded",
                          options={"xatol": 1e-3})
    print(f"diff_coeff: found {fit.x:.4f} (true {TRUE_DIFF_COEFF}) after {fit.nfev} runs, "
          f"misfit {fit.fun:.4f} m2")

    if len(sys.argv) > 1:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt

        best = vendrel.run({**RUN, "diff_coeff": fit.x}).well(WELL_X)
        fig, (left, right) = plt.subplots(1, 2, figsize=(9, 4))
        left.plot(best["age"], observed, "o", label="synthetic well")
        left.plot(best["age"], best["elevation"], "-", label=f"run, diff_coeff {fit.x:.3f}")
        left.set(xlabel="age (kyr)", ylabel="horizon elevation (m)", title=f"well at x = {WELL_X:g} m")
        left.invert_xaxis()
        left.legend()
        coefficients, values = zip(*sorted(trials))
        right.semilogy(coefficients, values, ".-")
        right.axvline(TRUE_DIFF_COEFF, color="grey", linestyle="--")
        right.set(xlabel="diff_coeff (m2/yr)", ylabel="misfit (m2)", title="trials")
        fig.tight_layout()
        fig.savefig(sys.argv[1], dpi=100)


if __name__ == "__main__":
    main()

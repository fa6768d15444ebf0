"""Reads Vendrel's data exports as a user would and checks them.

The NetCDF file is opened with xarray (netCDF4 engine) and compared with
the project file it was made from, with the CSV tables (read by the csv
module) and with the pseudo-wells. Every failed check is printed; the exit
status is 1 when any failed.

  check_export.py --nc F.nc [--vdl F.vdl --tolerance T] [--csv F.csv]
                  [--wells-csv W.csv] [--wells X,...] [--parameters a,b,...]
                  [--horizons N]
"""

import argparse
import csv
import math
import sys

import numpy as np
import xarray as xr

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def close(a, b, tolerance, what):
    a = np.asarray(a, dtype=float)
    b = np.asarray(b, dtype=float)
    if a.shape != b.shape:
        failures.append(f"{what}: shapes {a.shape} and {b.shape} differ")
        return
    same_nan = np.array_equal(np.isnan(a), np.isnan(b))
    difference = np.nanmax(np.abs(a - b), initial=0.0)
    check(same_nan and difference <= tolerance,
          f"{what}: differs by {difference} (missing values alike: {same_nan})")


# Project file keys of the parameter lines, by position; lines 23 to 26
# carry poro1..poro4 under the key of line 16.
def read_vdl(path):
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    parameters = {}
    for number, line in enumerate(lines[:44], start=1):
        key, *values = line.split(" ")
        if 23 <= number <= 26:
            key = f"poro{number - 22}"
        parameters[key] = [float(v) for v in values]
    count = int(parameters.pop("display_current_disp")[0])
    position = 44
    x = np.array([float(line.split(" ")[1]) for line in lines[position:position + 2000]])
    position += 2000
    values = np.array([[float(v) for v in line.split(" ")[1:]]
                       for line in lines[position:position + 2000 * count]])
    position += 2000 * count
    # column-major in the file: (column, horizon, attribute)
    values = values.reshape(2000, count, 4)
    sea = np.array([float(line.split(" ")[1]) for line in lines[position:position + count]])
    position += count
    for line in lines[position:position + 6]:
        key, value = line.split(" ")
        parameters[key] = [float(value)]
    return parameters, count, x, values, sea


def read_csv(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    header, body = rows[0], rows[1:]
    columns = {}
    for k, name in enumerate(header):
        columns[name] = np.array([float(r[k]) if r[k] != "" else math.nan for r in body])
    return header, columns


def check_netcdf(ds, args):
    for name, variable in ds.variables.items():
        check(variable.dtype.kind not in "mM", f"{name} was decoded as a date ({variable.dtype})")
    check(ds.attrs.get("Conventions") == "CF-1.8", "Conventions is not CF-1.8")
    check(ds.attrs.get("vendrel_version") == "0.90", "no program version")
    check("history" in ds.attrs and "source" in ds.attrs, "no history or source attribute")
    check(ds.sizes["x"] == 2000, "x dimension is not 2000")
    check("x" in ds.indexes and ds.x.attrs.get("axis") == "X", "x is not an indexed X axis")
    check(list(ds.column.values) == list(range(1, 2001)) and ds.column.dims == ("x",),
          "column is not 1..2000 over x")
    if args.horizons is not None:
        check(ds.sizes["horizon"] == args.horizons, f"horizon dimension is {ds.sizes['horizon']}")
    units = {"x": "m", "time": "kyr", "age": "kyr", "z": "m", "elevation": "m",
             "depth_of_deposition": "m", "distance_from_shore": "m", "porosity": "1",
             "thickness": "m", "sea_level_z": "m", "sea_level_elevation": "m",
             "initial_surface_z": "m"}
    for name, unit in units.items():
        check(ds[name].attrs.get("units") == unit, f"{name} units are not {unit}")
        check("long_name" in ds[name].attrs, f"{name} has no long_name")
    check(ds.z.attrs.get("positive") == "down", "z is not positive down")
    check("top of the section" in ds.z.attrs.get("comment", ""), "z comment names no datum")
    check(ds.elevation.attrs.get("positive") == "up", "elevation is not positive up")
    check("planned" in ds.sea_level_z.attrs.get("comment", ""), "sea level comment missing")
    check("10 km" in ds.distance_from_shore.attrs.get("comment", ""), "distance comment missing")
    for name in ["z", "elevation", "depth_of_deposition", "distance_from_shore", "porosity",
                 "thickness", "hiatus", "subaerial"]:
        check(ds[name].dims == ("horizon", "x"), f"{name} dims are {ds[name].dims}")
        check("_FillValue" in ds[name].encoding, f"{name} has no _FillValue")
        check(ds[name].encoding.get("zlib") and ds[name].encoding.get("shuffle"),
              f"{name} is not compressed with shuffle")
    check(list(ds.horizon.values) == list(range(1, ds.sizes["horizon"] + 1)),
          "horizon is not 1..N")
    for name in args.parameters:
        check(name in ds.attrs, f"no attribute for parameter {name}")
        check(f"{name}_units" in ds.attrs, f"no units for parameter {name}")

    max_y = float(ds.attrs["max_y"])
    z = ds.z.values
    close(ds.elevation.values, max_y - z, 1e-9, "elevation = max_y - z")
    close(ds.sea_level_elevation.values, max_y - ds.sea_level_z.values, 1e-9,
          "sea level elevation")
    time = ds.time.values
    close(ds.age.values, time[-1] - time, 1e-12, "age = time[-1] - time")
    # The run loop: dt from the stability limit, whole steps per recording.
    dx = float(ds.attrs["max_x"]) / 2000
    limit = 0.5 * dx * dx / float(ds.attrs["diff_coeff"])
    dt = limit if limit < 1 else 1.0
    steps = int(float(ds.attrs["display_inc"]) / dt)
    close(time, np.arange(ds.sizes["horizon"]) * steps * dt / 1000, 1e-9, "time")
    expected = np.maximum(z[:-1] - z[1:], 0.0)
    thickness = ds.thickness.values
    check(bool(np.all(np.isnan(thickness[0]))), "horizon 1 has a thickness")
    close(thickness[1:], expected, 1e-9, "thickness")
    hiatus = ds.hiatus.values  # masked to NaN where not defined
    check(bool(np.all(np.isnan(hiatus[0]))), "horizon 1 has a hiatus flag")
    check(np.array_equal(hiatus[1:], (expected <= 0.001).astype(float)), "hiatus mask")
    subaerial = ds.subaerial.values
    check(bool(np.all(np.isnan(subaerial[0]))), "horizon 1 has a subaerial flag")
    land = (ds.depth_of_deposition.values[1:] == 0) & (expected > 0.001)
    check(np.array_equal(subaerial[1:], land.astype(float)), "subaerial mask")
    for name in ["depth_of_deposition", "distance_from_shore", "porosity"]:
        check(bool(np.all(np.isnan(ds[name].values[0]))), f"horizon 1 has a {name}")
    check(ds.depth_of_deposition.attrs.get("standard_name") ==
          "sea_floor_depth_below_sea_surface", "depth of deposition has no standard name")
    check(ds.trajectory.dims == ("horizon",) and ds.trajectory.attrs.get("flag_meanings") ==
          "forced_regressive normal_regressive transgressive aggradational",
          "no trajectory classes over horizon")
    check(bool(np.isnan(ds.trajectory.values[0])), "horizon 1 has a trajectory step")
    sea = np.concatenate([[float(ds.attrs["baselevel"])], ds.sea_level_z.values[1:]])
    shore = ds.shoreline_elevation.values
    known = ~np.isnan(shore)
    close(shore[known], (max_y - sea)[known], 1e-9, "shoreline elevation is the sea level's")
    supplied = ds.sediment_supplied.values
    check(ds.sediment_supplied.dims == ("horizon",) and bool(np.isnan(supplied[0])),
          "sediment supplied is not over horizon from horizon 2")
    close(supplied[1:], (z[:-1] - z[1:]).sum(axis=1) * dx, 1e-6, "sediment supplied per horizon")
    margin = ds.platform_margin_x.values
    check(bool(np.all(np.isnan(margin[~known]))), "a platform margin without a shoreline")
    seaward = ~np.isnan(margin)
    check(bool(np.all(margin[seaward] >= ds.shoreline_x.values[seaward])),
          "a platform margin landward of its shoreline")
    check_selection(ds)
    if int(ds.attrs["isolated_platform"]) == 0:
        close(ds.initial_surface_z.values, ds.x.values / float(ds.attrs["max_x"]) * max_y, 1e-9,
              "initial ramp")


def check_selection(ds):
    """Selecting by position and plotting work as a user types them."""
    import warnings
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    x = ds.x.values
    target = 0.6 * float(ds.attrs["max_x"])
    nearest = int(np.argmin(np.abs(x - target)))
    column = ds.sel(x=target, method="nearest")
    check(int(column.column) == nearest + 1, "sel(x=..., method='nearest') picks another column")
    close(column.z.values, ds.z.values[:, nearest], 0.0, "sel(x) z")
    close(ds.isel(x=nearest).elevation.values, ds.elevation.values[:, nearest], 0.0,
          "isel(x) elevation")
    if ds.sizes["horizon"] < 2:
        return  # no layer: nothing but missing values to plot
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        try:
            ds.elevation.isel(horizon=-1).plot()
            column.porosity.plot(y="horizon")
            ds.thickness.plot()
        except Exception as e:  # a warning turned into an error, or a failed plot
            failures.append(f"plotting: {type(e).__name__}: {e}")
        plt.close("all")


def check_against_vdl(ds, args):
    parameters, count, x, values, sea = read_vdl(args.vdl)
    t = args.tolerance
    check(ds.sizes["horizon"] == count, f"{ds.sizes['horizon']} horizons, project has {count}")
    close(ds.x.values, x, t, "x")
    close(ds.z.values, values[:, :, 0].T, t, "z")
    # Horizon 1 has no layer: its attributes are missing (checked above).
    for k, name in enumerate(["depth_of_deposition", "distance_from_shore", "porosity"], start=1):
        close(ds[name].values[1:], values[:, 1:, k].T, t, name)
    close(ds.sea_level_z.values, sea, t, "sea_level_z")
    for name, value in parameters.items():
        close(np.atleast_1d(ds.attrs[name]), value, t, f"parameter {name}")


def check_section_csv(ds, path):
    header, table = read_csv(path)
    check(header == ["horizon", "time_kyr", "age_kyr", "x_m", "z_down_m", "elevation_m",
                     "depth_of_deposition_m", "distance_from_shore_m", "porosity",
                     "thickness_m", "hiatus", "subaerial"], f"section CSV header {header}")
    n = ds.sizes["horizon"]
    check(len(table["horizon"]) == n * 2000, "section CSV row count")
    grid = lambda values: np.asarray(values, dtype=float).reshape(-1)
    along = lambda values: np.repeat(np.asarray(values, dtype=float), 2000)
    expected = {"horizon": along(ds.horizon.values), "time_kyr": along(ds.time.values),
                "age_kyr": along(ds.age.values), "x_m": np.tile(ds.x.values, n),
                "z_down_m": grid(ds.z.values), "elevation_m": grid(ds.elevation.values),
                "depth_of_deposition_m": grid(ds.depth_of_deposition.values),
                "distance_from_shore_m": grid(ds.distance_from_shore.values),
                "porosity": grid(ds.porosity.values), "thickness_m": grid(ds.thickness.values),
                "hiatus": grid(ds.hiatus.values), "subaerial": grid(ds.subaerial.values)}
    for name, values in expected.items():
        close(table[name], values, 0.0, f"section CSV {name}")


def check_wells(ds, args):
    wells = sorted(set(args.wells))
    check(list(ds.well.values) == wells, f"well coordinate {list(ds.well.values)}")
    names = {"z_down_m": ("well_z", "z"), "elevation_m": ("well_elevation", "elevation"),
             "thickness_m": ("well_thickness", "thickness"),
             "depth_of_deposition_m": ("well_depth_of_deposition", "depth_of_deposition"),
             "distance_from_shore_m": ("well_distance_from_shore", "distance_from_shore"),
             "porosity": ("well_porosity", "porosity")}
    for w, x in enumerate(wells):
        nearest = np.abs(ds.x.values - x)
        column = int(np.argmin(nearest)) + 1  # the first of equal distances
        check(int(ds.well_column.values[w]) == column, f"well at {x} logs another column")
        for netcdf_name, grid_name in names.values():
            close(ds[netcdf_name].values[w], ds[grid_name].values[:, column - 1], 0.0,
                  f"well at {x}: {netcdf_name}")
        z = ds.z.values[:, column - 1]
        close(ds.well_burial_depth.values[w], z - z[-1], 1e-9, f"well at {x}: burial depth")
        check(bool(np.isnan(ds.well_porosity.values[w][0])), f"well at {x}: a point at its base")
    if args.wells_csv is None:
        return
    header, table = read_csv(args.wells_csv)
    check(header[0] == "well_x_m", "wells CSV does not start with well_x_m")
    n = ds.sizes["horizon"]
    check(len(table["well_x_m"]) == n * len(wells), "wells CSV row count")
    close(table["well_x_m"], np.repeat(wells, n), 0.0, "wells CSV well_x_m")
    close(table["horizon"], np.tile(ds.horizon.values, len(wells)), 0.0, "wells CSV horizon")
    close(table["age_kyr"], np.tile(ds.age.values, len(wells)), 0.0, "wells CSV age")
    close(table["burial_depth_m"], ds.well_burial_depth.values.reshape(-1), 0.0,
          "wells CSV burial depth")
    for csv_name, (netcdf_name, _) in names.items():
        close(table[csv_name], ds[netcdf_name].values.reshape(-1), 0.0, f"wells CSV {csv_name}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nc", required=True)
    parser.add_argument("--vdl")
    parser.add_argument("--tolerance", type=float, default=1e-9)
    parser.add_argument("--csv")
    parser.add_argument("--wells-csv")
    parser.add_argument("--wells", type=lambda s: [float(v) for v in s.split(",")], default=[])
    parser.add_argument("--parameters", type=lambda s: s.split(","), default=[])
    parser.add_argument("--horizons", type=int)
    args = parser.parse_args()
    with xr.open_dataset(args.nc) as ds:
        ds.load()
        check_netcdf(ds, args)
        if args.vdl:
            check_against_vdl(ds, args)
        if args.csv:
            check_section_csv(ds, args.csv)
        if args.wells:
            check_wells(ds, args)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

"""The Python module against the runner: the same requests give the same
files, the same refusals and the same messages.

Run by ctest with VENDREL_PYTHON; the environment names the runner
(VENDREL_RUN), the built module (PYTHONPATH), and for the installed copy the
build tree, cmake and the module's folder under a prefix."""

import json
import math
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np
import xarray

import vendrel

RUNNER = os.environ["VENDREL_RUN"]

# Short runs: a few thousand steps each.
SMALL = {"totaltime": 20000, "display_inc": 2000}


def runner(*args):
    return subprocess.run([RUNNER, "--quiet", *args], capture_output=True, text=True)


def set_options(params):
    options = []
    for key, value in params.items():
        if isinstance(value, (list, tuple)):
            value = ",".join(repr(v) for v in value)
        options += ["--set", f"{key}={value}"]
    return options


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Folder(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.tmp = self._tmp.name

    def tearDown(self):
        self._tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp, name)


class SameFilesAsTheRunner(Folder):
    PARAMS = {
        **SMALL,
        "rates": [0, 12, 6, 3, 1, 1, 0.5, 0.2],
        "depths_3": 12.5,
        "diff_coeff": 0.3,
        "includecompact": 1,
    }

    @classmethod
    def setUpClass(cls):
        cls.result = vendrel.run(cls.PARAMS)

    def runner_output(self, *options):
        done = runner("--threads", "1", *set_options(self.PARAMS), *options)
        self.assertEqual(done.returncode, 0, done.stderr)

    def test_saved_project_has_the_runners_bytes(self):
        self.result.save(self.path("py.vdl"))
        self.runner_output("--out", self.path("run.vdl"))
        self.assertEqual(read_bytes(self.path("py.vdl")), read_bytes(self.path("run.vdl")))
        # Opened and saved again, the project keeps its bytes, also under a
        # name that is not UTF-8.
        odd = os.path.join(os.fsencode(self.tmp), b"-\xff.vdl")
        vendrel.open(self.path("py.vdl")).save(odd)
        vendrel.open(odd).save(self.path("again.vdl"))
        self.assertEqual(read_bytes(self.path("again.vdl")), read_bytes(self.path("run.vdl")))

    def test_dataset_equals_the_netcdf_export(self):
        wells = [1500.0, 300.0]
        self.runner_output("--netcdf", self.path("run.nc"), "--well", "300", "--well", "1500")
        exported = xarray.open_dataset(self.path("run.nc")).load()
        built = self.result.to_xarray(wells=wells)
        self.assertEqual(sorted(built.variables), sorted(exported.variables))
        for name, variable in exported.variables.items():
            mine = built.variables[name]
            with self.subTest(variable=name):
                self.assertEqual(mine.dims, variable.dims)
                self.assertEqual(mine.dtype, variable.dtype)
                self.assertEqualAttributes(mine.attrs, variable.attrs)
                np.testing.assert_array_equal(mine.values, variable.values)
        self.assertIn("history", built.attrs)
        del built.attrs["history"], exported.attrs["history"]
        self.assertEqualAttributes(built.attrs, exported.attrs)

    def assertEqualAttributes(self, mine, theirs):
        self.assertEqual(mine.keys(), theirs.keys())
        for key, value in theirs.items():
            self.assertEqual(type(mine[key]), type(value), key)
            np.testing.assert_array_equal(mine[key], value, err_msg=key)

    def test_well_is_the_exports_well(self):
        well = self.result.well(1500)
        exported = self.result.to_xarray(wells=[1500]).sel(well=1500.0)
        for name in ["z", "elevation", "burial_depth", "thickness", "depth_of_deposition",
                     "distance_from_shore", "porosity", "accommodation_created"]:
            with self.subTest(name=name):
                self.assertTrue(well[name].flags.owndata)
                np.testing.assert_array_equal(well[name], exported["well_" + name].values)
        np.testing.assert_array_equal(well["time"], exported["time"].values)
        self.assertEqual(well["column_x"], float(exported["well_column_x"]))

    def test_metrics_are_the_runners(self):
        self.runner_output("--json", "--out", self.path("run.vdl"))
        done = runner("--threads", "1", *set_options(self.PARAMS), "--json",
                      "--out", self.path("run.vdl"))
        summary = json.loads(done.stdout)
        self.assertEqual(self.result.metrics(), summary["metrics"])
        self.assertEqual(self.result.horizons, summary["horizons"])
        self.assertEqual(self.result.steps, summary["steps"])

    def test_measured_sea_level_runs_as_the_runners(self):
        with open(self.path("curve.csv"), "w") as f:
            f.write("time_kyr,sea_level_m\n0,-120\n10,-60\n25,-100\n")
        vendrel.run(SMALL, sea_level=self.path("curve.csv")).save(self.path("py.vdl"))
        done = runner("--threads", "1", *set_options(SMALL), "--sea-level", self.path("curve.csv"),
                      "--out", self.path("run.vdl"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(read_bytes(self.path("py.vdl")), read_bytes(self.path("run.vdl")))

    def test_figures_are_the_runners(self):
        cases = [
            ("figure", "f.png", {"marks": ["trajectory", "sea-level"]},
             ["--mark", "trajectory", "--mark", "sea-level"]),
            ("figure", "f.svg", {"width": "12cm", "wells": [700], "marks": ["wells"]},
             ["--figure-width", "12cm", "--well", "700", "--mark", "wells"]),
            ("wheeler", "w.png", {"size": (640, 320), "style": "report"},
             ["--size", "640x320", "--style", "report"]),
        ]
        for kind, name, keywords, options in cases:
            with self.subTest(kind=kind, name=name):
                getattr(self.result, kind)(self.path("py-" + name), **keywords)
                self.runner_output(f"--{kind}", self.path("run-" + name), *options)
                self.assertEqual(read_bytes(self.path("py-" + name)),
                                 read_bytes(self.path("run-" + name)))


class RefusedAsTheRunnerRefuses(Folder):
    def test_bad_parameters_raise_the_runners_messages(self):
        cases = [
            ({"no_such_key": 1}, ValueError),
            ({"totaltime": "soon"}, ValueError),
            ({"totaltime": math.inf}, ValueError),
            ({"depths": [0, 5, 10]}, ValueError),
            ({"omp_threads": 1.5}, ValueError),
            ({"diff_coeff": -1}, ValueError),
            ({**SMALL, "display_inc": 1}, ValueError),
            ({"totaltime": object()}, TypeError),
        ]
        for params, error in cases:
            with self.subTest(params=params):
                with self.assertRaises(error) as raised:
                    vendrel.run(params)
                if error is ValueError:
                    done = runner(*set_options(params), "--out", self.path("x.vdl"))
                    self.assertEqual(done.returncode, 2)
                    message = str(raised.exception).replace("allow_early_end=True",
                                                            "--allow-early-end")
                    self.assertIn(message, done.stderr)
        self.assertEqual(os.listdir(self.tmp), [])

    def test_bad_sea_level_curves_raise_the_runners_messages(self):
        with open(self.path("repeats.csv"), "w") as f:
            f.write("time_kyr,sea_level_m\n0,-120\n0,-60\n")
        with open(self.path("short.csv"), "w") as f:
            f.write("time_kyr,sea_level_m\n0,-120\n10,-60\n")
        cases = [
            ("missing.csv", FileNotFoundError),
            ("repeats.csv", ValueError),
            ("short.csv", ValueError),  # does not span the run
        ]
        for name, error in cases:
            with self.subTest(name=name):
                with self.assertRaises(error) as raised:
                    vendrel.run(SMALL, sea_level=self.path(name))
                self.assertIs(type(raised.exception), error)
                done = runner(*set_options(SMALL), "--sea-level", self.path(name),
                              "--out", self.path("x.vdl"))
                self.assertEqual(done.returncode, 2)
                self.assertIn(str(raised.exception), done.stderr)

    def test_unreadable_projects_raise_the_runners_messages(self):
        with open(self.path("damaged.vdl"), "wb") as f:
            f.write(read_bytes(self.write_small_project())[:900])
        with open(self.path("photo.vdl"), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + bytes(range(256)))
        cases = [
            ("missing.vdl", FileNotFoundError),
            ("damaged.vdl", ValueError),
            ("photo.vdl", ValueError),
            ("", OSError),  # the folder itself
        ]
        for name, error in cases:
            with self.subTest(name=name):
                with self.assertRaises(error) as raised:
                    vendrel.open(self.path(name))
                self.assertIs(type(raised.exception), error)
                done = runner("--check", self.path(name))
                self.assertEqual(done.stderr, f"vendrel-run: {raised.exception}\n")

    def test_values_that_are_not_finite_open_with_the_runners_warning(self):
        with open(self.write_small_project(), "rb") as f:
            lines = f.read().split(b"\r\n")
        lines = [b"diff_coeff nan" if line.startswith(b"diff_coeff ") else line for line in lines]
        with open(self.path("nan.vdl"), "wb") as f:
            f.write(b"\r\n".join(lines))
        with self.assertWarns(RuntimeWarning) as warned:
            vendrel.open(self.path("nan.vdl"))
        done = runner("--no-run", self.path("nan.vdl"), "--out", self.path("again.vdl"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn(f"vendrel-run: warning: {warned.warning}\n", done.stderr)
        self.assertIn("diff_coeff", str(warned.warning))

    def write_small_project(self):
        vendrel.run(SMALL).save(self.path("small.vdl"))
        return self.path("small.vdl")

    def test_outputs_refused_before_anything_is_written(self):
        result = vendrel.run(SMALL)
        cases = [
            (lambda: result.save(self.path("x.txt")), ValueError),
            (lambda: result.save(self.path("no/such/x.vdl")), FileNotFoundError),
            (lambda: result.figure(self.path("x.gif")), ValueError),
            (lambda: result.figure(self.path("x.png"), width="12cm", size=(10, 10)), ValueError),
            (lambda: result.wheeler(self.path("x.png"), style="bold"), ValueError),
            (lambda: result.well(-1), ValueError),
            (lambda: result.to_xarray(wells=[1e9]), ValueError),
        ]
        for call, error in cases:
            with self.subTest(error=error):
                self.assertRaises(error, call)
        self.assertEqual(os.listdir(self.tmp), [])


    def test_read_only_target_is_kept(self):
        with open(self.path("kept.vdl"), "wb") as f:
            f.write(b"old")
        os.chmod(self.path("kept.vdl"), 0o444)
        with self.assertRaises(PermissionError):
            vendrel.run(SMALL).save(self.path("kept.vdl"))
        self.assertEqual(read_bytes(self.path("kept.vdl")), b"old")

    def test_parameter_values_of_other_types(self):
        cases = [
            ({"includecompact": True, "phizero": 0.5}, None),
            ({"totaltime": np.float32(20000), "rates": np.array([0, 12, 6, 3, 1, 1, 0.5, 0.2])},
             None),
            ({"totaltime": 1j}, TypeError),
            ({"rates": [0, "x"]}, TypeError),
            ({"sea_level_file": "curve.csv"}, ValueError),
            ({1: 2}, TypeError),
            ("totaltime=1", TypeError),
        ]
        for params, error in cases:
            with self.subTest(params=params):
                if error is None:
                    vendrel.run({**SMALL, **params})
                else:
                    self.assertRaises(error, vendrel.run, params)


class RunsInThreads(Folder):
    def test_two_threads_give_the_bytes_of_single_runs(self):
        params = [{**SMALL, "diff_coeff": 0.2}, {**SMALL, "diff_coeff": 0.6}]
        for k, p in enumerate(params):
            vendrel.run(p).save(self.path(f"single{k}.vdl"))
        results = [None, None]

        def run(k):
            results[k] = vendrel.run(params[k])

        threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for k in range(2):
            results[k].save(self.path(f"thread{k}.vdl"))
            self.assertEqual(read_bytes(self.path(f"thread{k}.vdl")),
                             read_bytes(self.path(f"single{k}.vdl")))
        self.assertNotEqual(read_bytes(self.path("single0.vdl")),
                            read_bytes(self.path("single1.vdl")))

    def test_python_goes_on_while_a_run_computes(self):
        # The GIL is released while a run computes: this thread keeps
        # running Python code while another thread's run goes on (it would
        # wait for the run's end otherwise).
        worker = threading.Thread(target=vendrel.run,
                                  args=({"totaltime": 200000, "display_inc": 10000},))
        turns = 0
        worker.start()
        while worker.is_alive():
            turns += 1
            time.sleep(0.002)
        worker.join()
        self.assertGreater(turns, 10)

    # About half a minute of computing, if nothing stopped it.
    LONG = {"totaltime": 2e7, "display_inc": 1e6}

    def test_ctrl_c_stops_a_run(self):
        timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
        start = time.monotonic()
        timer.start()
        with self.assertRaises(KeyboardInterrupt):
            vendrel.run(self.LONG)
        timer.join()
        self.assertLess(time.monotonic() - start, 10)

    def test_progress_is_reported_and_its_error_stops_the_run(self):
        seen = []
        vendrel.run(SMALL, progress=seen.append)
        self.assertEqual(seen[-1], 1.0)
        self.assertEqual(seen, sorted(seen))

        def stop(fraction):
            raise RuntimeError("enough")

        with self.assertRaisesRegex(RuntimeError, "enough"):
            vendrel.run(self.LONG, progress=stop)


class ParameterTable(unittest.TestCase):
    def test_table_is_the_runners(self):
        listed = json.loads(runner("--list-params", "--json").stdout)
        table = vendrel.parameters()
        self.assertEqual([p["key"] for p in table], [p["key"] for p in listed])
        for mine, theirs in zip(table, listed):
            with self.subTest(key=mine["key"]):
                self.assertEqual(mine["unit"], theirs["unit"])
                self.assertEqual(mine["description"], theirs["description"])
                if mine["key"] != "omp_threads":
                    self.assertEqual(mine["default"], theirs["default"])
        ranges = {p["key"]: p["range"] for p in table}
        self.assertEqual(ranges["amp_1"], (0, 100))
        self.assertEqual(ranges["depths"], (0, 1000))
        self.assertEqual(ranges["diff_coeff"], (0, None))
        self.assertIsNone(ranges["baselevel"])


@unittest.skipUnless(os.environ.get("VENDREL_BUILD_DIR"), "no build tree named")
class InstalledModule(Folder):
    def test_module_imports_from_an_installed_prefix(self):
        prefix = self.path("prefix")
        done = subprocess.run([os.environ["VENDREL_CMAKE"], "--install",
                               os.environ["VENDREL_BUILD_DIR"], "--prefix", prefix],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        folder = os.path.join(prefix, os.environ["VENDREL_PYTHON_INSTALL_DIR"])
        script = ("import vendrel; print(vendrel.__file__); "
                  "print(vendrel.run({'totaltime': 2000}).horizons)")
        done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                              env={**os.environ, "PYTHONPATH": folder}, cwd=self.tmp)
        self.assertEqual(done.returncode, 0, done.stderr)
        where, horizons = done.stdout.split()
        self.assertTrue(where.startswith(folder + os.sep), where)
        self.assertEqual(int(horizons), 2)


if __name__ == "__main__":
    unittest.main()

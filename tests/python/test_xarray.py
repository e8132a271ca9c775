"""The netCDF table of vorex-cli against its CSV table, and vorex's xarray Datasets against the file."""

import csv
import glob
import io
import os
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

import netCDF4
import numpy as np
import xarray

import vorex

CLI = os.environ["VOREX_CLI"]
SIM = os.environ["VOREX_SIM"]
STRUCTURE = os.path.join(os.environ["VOREX_DEMO_DIR"], "demo.structure")
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable


def run(*args, status=0):
    done = subprocess.run([*args], capture_output=True)
    if done.returncode != status:
        raise subprocess.CalledProcessError(done.returncode, args, done.stdout, done.stderr)
    return done


class NetcdfTable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.first = os.path.join(cls.folder.name, "a.dat")
        cls.second = os.path.join(cls.folder.name, "b.dat")
        run(SIM, cls.first, "--frames", "600", "--seed", "5")
        run(SIM, cls.second, "--frames", "150", "--seed", "6")

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def write(self, name, *args, status=0, files=None):
        """The path of the netCDF table of the demo files (or files) written by vorex-cli with args."""
        path = os.path.join(self.folder.name, name)
        run(CLI, "table", "-q", STRUCTURE, *(files or (self.first, self.second)), "--format", "netcdf", "--out", path,
            *args, status=status)
        return path

    def test_file_holds_the_csv_table(self):
        # The long file's rows are written in several parts.
        long = os.path.join(self.folder.name, "long.dat")
        run(SIM, long, "--frames", "20000", "--seed", "7")
        some = ["--vars", "HKFrame.*,*.EVT_TEXT,DataFieldHeader.PLOT_TIME"]
        for files, vars in (((self.first, self.second), []), ((self.first, self.second), some),
                            ((long, self.second), some)):
            with self.subTest(files=files, vars=vars):
                text = run(CLI, "table", "-q", STRUCTURE, *files, *vars).stdout.decode("latin-1")
                header, *rows = list(csv.reader(io.StringIO(text, newline="")))
                with netCDF4.Dataset(self.write("table.nc", *vars, files=files)) as data:
                    data.set_auto_mask(False)
                    names = {variable.getncattr("qualified_name") if "qualified_name" in variable.ncattrs()
                             else name: variable for name, variable in data.variables.items()}
                    # The CSV's datetime is the CF time variable, seconds since the Offset Time.
                    self.assertEqual(list(names), [name for name in header if name != "datetime"])
                    self.assertTrue(data.dimensions["baseframe"].isunlimited())
                    self.assertEqual(len(data.dimensions["baseframe"]), len(rows))
                    for column, name in enumerate(header):
                        cells = [row[column] for row in rows]
                        if name == "datetime":
                            self.assert_datetimes(cells, data["time"])
                        else:
                            self.assert_column(name, cells, names[name])

    def assert_datetimes(self, cells, time):
        offset = np.datetime64(time.units.removeprefix("seconds since ").replace(" ", "T"), "ns")
        nanoseconds = np.round(time[:] * 1e9).astype(np.int64).astype("timedelta64[ns]")
        np.testing.assert_array_equal((offset + nanoseconds).astype("datetime64[ms]"),
                                      np.array(cells, dtype="datetime64[ms]"))

    def assert_column(self, name, cells, variable):
        values = variable[:]
        self.assertEqual(variable.dimensions, ("baseframe",), name)
        if variable.dtype == str:
            self.assertEqual(list(values), cells, name)
            return
        self.assertEqual(variable.chunking(), [4096], name)
        self.assertTrue(variable.filters()["zlib"], name)
        if variable.dtype == np.int64:
            np.testing.assert_array_equal(values, [int(cell) for cell in cells], name)
        else:
            self.assertEqual(variable.dtype, np.float64, name)
            np.testing.assert_array_equal(values, [float(cell) if cell else np.nan for cell in cells], name)

    def test_cf_attributes(self):
        with netCDF4.Dataset(self.write("attributes.nc", "--vars", "*.HK_TEMP1,*.HK_POWER_ON,*.EVT_TEXT")) as data:
            self.assertEqual(
                {name: data.getncattr(name) for name in data.ncattrs()},
                {"Conventions": "CF-1.8", "offset_time": "2003-01-01 00:00:00", "structure_file": STRUCTURE,
                 "packet_file_1": self.first, "packet_file_2": self.second})
            time = data["time"]
            self.assertEqual((time.units, time.calendar), ("seconds since 2003-01-01 00:00:00", "standard"))
            self.assertTrue(np.isnan(time._FillValue))
            self.assertEqual(data["HKFrame.HK_TEMP1"].long_name, "Electronics temperature [degC]")
            self.assertEqual(data["HKFrame.HK_TEMP1"].units, "degC")
            self.assertNotIn("units", data["HKFrame.HK_POWER_ON"].ncattrs())
            np.testing.assert_array_equal(data["HKFrame.HK_POWER_ON"].flag_values, [0, 1])
            self.assertEqual(data["HKFrame.HK_POWER_ON"].flag_meanings, "false true")

    def test_failed_write_leaves_the_file_as_it_was(self):
        path = os.path.join(self.folder.name, "kept.nc")
        with open(path, "wb") as file:
            file.write(b"before")
        junk = os.path.join(self.folder.name, "junk.dat")
        with open(junk, "wb") as file:
            file.write(b"\x55" * 1000)
        done = run(CLI, "table", STRUCTURE, junk, "--format", "netcdf", "--out", path, status=2)
        self.assertIn(b"[Error] No BaseFrame found in", done.stderr)
        # A disk that fills part way: writes beyond 50 kB fail.
        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (50000, resource.getrlimit(resource.RLIMIT_FSIZE)[1]))
        done = subprocess.run([CLI, "table", "-q", STRUCTURE, self.first, "--format", "netcdf", "--out", path],
                              capture_output=True, preexec_fn=limit)
        self.assertEqual((done.returncode, done.stderr), (2, f'[Error] Cannot write file "{path}": NetCDF: HDF error.\n'.encode()))
        with open(path, "rb") as file:
            self.assertEqual(file.read(), b"before")
        self.assertEqual(glob.glob(path + ".tmp*"), [])

    def test_to_xarray_and_read_xarray_give_the_file_dataset(self):
        for vars in (None, ["HKFrame.HK_TEMP?", "*.EVT_TEXT"]):
            with self.subTest(vars=vars):
                path = self.write("xarray.nc", *(["--vars", ",".join(vars)] if vars else []))
                with xarray.open_dataset(path) as opened:
                    expected = opened.load()
                project = vorex.load(STRUCTURE, self.first, self.second)
                xarray.testing.assert_identical(project.to_xarray(vars=vars), expected)
                xarray.testing.assert_identical(
                    vorex.read_xarray(STRUCTURE, self.first, self.second, vars=vars, threads=3), expected)
        self.assertEqual(expected["time"].dtype, np.dtype("datetime64[ns]"))
        texts = expected["ScienceFrame.EventMessageFrame.EVT_TEXT"].values
        self.assertEqual({type(text) for text in texts}, {str, float})
        self.assertTrue(all(isinstance(text, str) and text or np.isnan(text) for text in texts))
        self.assertEqual(list(expected.dims), ["baseframe"])

    def test_offset_time_dates_the_time(self):
        later = vorex.read_xarray(STRUCTURE, self.first, vars="*.HK_TEMP1", offset_time="2010-06-01 12:00:00")
        seconds = vorex.read_table(STRUCTURE, self.first, vars="*.HK_TEMP1")["time"]
        expected = np.datetime64("2010-06-01T12:00:00") + (seconds * 1e9).astype("timedelta64[ns]")
        np.testing.assert_array_equal(later["time"].values, expected)
        self.assertEqual(later.attrs["offset_time"], "2010-06-01 12:00:00")
        with self.assertRaises(KeyError):
            vorex.read_xarray(STRUCTURE, self.first, vars="NO_SUCH")

    def test_import_vorex_needs_neither_xarray_nor_netcdf(self):
        code = "import sys, vorex; sys.exit('xarray' in sys.modules or 'netCDF4' in sys.modules)"
        self.assertEqual(subprocess.run([PYTHON, "-c", code]).returncode, 0)
        code = ("import sys; sys.modules['xarray'] = None; import vorex\n"
                "try: vorex.read_xarray(sys.argv[1], sys.argv[2])\n"
                "except ImportError as error: sys.exit(0 if 'read_xarray needs xarray' in str(error) else 1)\n"
                "sys.exit(2)")
        self.assertEqual(subprocess.run([PYTHON, "-c", code, STRUCTURE, self.first]).returncode, 0)


if __name__ == "__main__":
    unittest.main()

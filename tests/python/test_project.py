"""vorex.Project against vorex-cli on generated demo data."""

import csv
import io
import math
import os
import subprocess
import sys
import tempfile
import time
import unittest

import numpy as np

import vorex

CLI = os.environ["VOREX_CLI"]
SIM = os.environ["VOREX_SIM"]
STRUCTURE = os.path.join(os.environ["VOREX_DEMO_DIR"], "demo.structure")
FRAME_BYTES = 280


def run(*args):
    return subprocess.run([*args], check=True, capture_output=True).stdout


def cli_table(*args):
    """The CSV of vorex-cli table as a list of rows, texts read as Latin-1."""
    text = run(CLI, "table", "-q", *args).decode("latin-1")
    return list(csv.reader(io.StringIO(text, newline="")))


def assert_column_equal(test, name, cells, array):
    test.assertEqual(len(cells), len(array), name)
    for row, (cell, value) in enumerate(zip(cells, array)):
        if isinstance(value, str) or value is None:
            test.assertEqual(cell, value or "", f"{name} row {row}")
        elif cell == "":
            test.assertTrue(math.isnan(value), f"{name} row {row}: {value} where the CLI has none")
        else:
            test.assertEqual(float(cell), float(value), f"{name} row {row}")


class DemoData(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.first = os.path.join(cls.folder.name, "a.dat")
        cls.second = os.path.join(cls.folder.name, "b.dat")
        run(SIM, cls.first, "--frames", "600", "--seed", "3")
        run(SIM, cls.second, "--frames", "150", "--seed", "4")
        cls.project = vorex.load(STRUCTURE, cls.first, cls.second)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_counts_files_variables_log(self):
        self.assertEqual(self.project.frame_count, 750)
        self.assertEqual(self.project.files, [self.first, self.second])
        variables = dict(self.project.variables())
        self.assertEqual(variables["HKFrame.HK_POWER_ON"], "boolean")
        self.assertEqual(variables["HKFrame.HK_TEMP1"], "number")
        self.assertIn("text", variables.values())
        header = cli_table(STRUCTURE, self.first)[0]
        self.assertEqual([name for name, _ in self.project.variables()], header[4:])
        self.assertTrue(self.project.log)
        for level, text in self.project.log:
            self.assertIn(level, ("Message", "Info", "Warn", "Error"))
            self.assertIsInstance(text, str)

    def test_series_equals_cli_plot(self):
        cases = [
            ("HKFrame", "HK_TEMP1", None),
            ("HKFrame", "HK_TEMP1", "HK_TEMP2"),
            ("DataFieldHeader", "PLOT_TIME", None),
            ("DataFieldHeader", "SERVICE_SUBTYPE", "PLOT_TIME"),
            ("HKFrame", "HK_POWER_ON", "HK_TEMP1"),
        ]
        for frame, var, sort in cases:
            with self.subTest(frame=frame, var=var, sort=sort):
                args = [CLI, "plot", "-q", STRUCTURE, self.first, self.second, "--frame", frame, "--var", var]
                if sort:
                    args += ["--sort", sort]
                lines = run(*args).decode().splitlines()
                points = [line.split() for line in lines if not line.startswith(("stats", "scale"))]
                serial, times, values = self.project.series(f"{frame}.{var}", sort=sort)
                self.assertGreater(len(points), 0)
                self.assertEqual(len(serial), len(points))
                for array in (serial, times, values):
                    self.assertEqual(array.dtype, np.float64)
                np.testing.assert_array_equal(serial, [float(p[0]) for p in points])
                np.testing.assert_allclose(times, [float(p[1]) for p in points], rtol=1e-14)
                np.testing.assert_allclose(values, [float(p[2]) for p in points], rtol=1e-14, atol=1e-300)

    def test_wide_table_equals_cli(self):
        for vars, cli_vars in ((None, []), (["HKFrame.*", "*.EVT_TEXT"], ["--vars", "HKFrame.*,*.EVT_TEXT"])):
            with self.subTest(vars=vars):
                rows = cli_table(STRUCTURE, self.first, self.second, *cli_vars)
                table = self.project.table(vars=vars)
                self.assertEqual(list(table), rows[0])
                for column, name in enumerate(rows[0]):
                    assert_column_equal(self, name, [row[column] for row in rows[1:]], table[name])
                self.assertEqual(table["serial"].dtype, np.int64)
                self.assertEqual(table["HKFrame.HK_TEMP1"].dtype, np.float64)
        [name] = [name for name in table if name.endswith(".EVT_TEXT")]
        texts = [text for text in table[name] if text is not None]
        self.assertTrue(texts)
        self.assertTrue(all(isinstance(text, str) for text in texts))

    def test_long_table_equals_cli(self):
        rows = cli_table(STRUCTURE, self.first, "--layout", "long", "--vars", "DataFieldHeader.*,*.EVT_TEXT")
        project = vorex.load(STRUCTURE, self.first)
        table = project.table(vars="DataFieldHeader.*,*.EVT_TEXT", layout="long")
        self.assertEqual(list(table), rows[0])
        for column, name in enumerate(rows[0]):
            assert_column_equal(self, name, [row[column] for row in rows[1:]], table[name])

    def test_to_pandas(self):
        frame = self.project.to_pandas(vars=["HKFrame.HK_TEMP?"])
        table = self.project.table(vars=["HKFrame.HK_TEMP?"])
        self.assertEqual(list(frame.columns), list(table))
        np.testing.assert_array_equal(frame["HKFrame.HK_TEMP1"].to_numpy(), table["HKFrame.HK_TEMP1"])
        saved = sys.modules.get("pandas")
        sys.modules["pandas"] = None
        try:
            with self.assertRaisesRegex(ImportError, "pandas"):
                self.project.to_pandas()
        finally:
            sys.modules["pandas"] = saved

    def test_frame_matches_table(self):
        table = self.project.table(vars=["HKFrame.HK_TEMP1"])
        row = int(np.flatnonzero(~np.isnan(table["HKFrame.HK_TEMP1"]))[0])
        frame = self.project.frame(row)
        self.assertEqual(frame["serial"], table["serial"][row])
        self.assertEqual(self.project.frame(-1, file=2)["serial"], table["serial"][-1])

        def find(node, name):
            if node["name"] == name:
                return node
            for child in node["children"]:
                found = find(child, name)
                if found:
                    return found
            return None

        temp = find(frame, "HKFrame.HK_TEMP1")
        self.assertEqual(temp["value"], table["HKFrame.HK_TEMP1"][row])
        self.assertEqual(temp["kind"], "number")
        self.assertEqual(temp["children"], [])
        self.assertGreater(temp["position"], 0)
        self.assertIsInstance(temp["raw"], float)

    def test_bad_names_and_arguments(self):
        cases = [
            (KeyError, lambda: self.project.series("HKFrame.NO_SUCH")),
            (KeyError, lambda: self.project.series("HK_TEMP1")),
            (KeyError, lambda: self.project.series("HKFrame.HK_TEMP1", sort="NO_SUCH")),
            (KeyError, lambda: self.project.table(vars=["HKFrame.NO_SUCH"])),
            (ValueError, lambda: self.project.table(layout="tall")),
            (TypeError, lambda: self.project.table(vars=[1])),
            (IndexError, lambda: self.project.frame(750)),
            (IndexError, lambda: self.project.frame(150, file=2)),
            (ValueError, lambda: self.project.frame(0, file=3)),
            (TypeError, lambda: self.project.frame("0")),
        ]
        for error, call in cases:
            with self.subTest(error=error):
                self.assertRaises(error, call)


class LoadErrors(unittest.TestCase):
    def test_load_errors(self):
        with tempfile.TemporaryDirectory() as folder:
            packet = os.path.join(folder, "p.dat")
            run(SIM, packet, "--frames", "3")
            garbage = os.path.join(folder, "bad.structure")
            with open(garbage, "w") as file:
                file.write("[BaseFrame:x]\n0\t2\tNUMBER\tA\tA\n")
            cases = [
                ((os.path.join(folder, "none.structure"), packet), {}, "Structurefile does not exist"),
                ((STRUCTURE, os.path.join(folder, "none.dat")), {}, "Paket file does not exist"),
                ((STRUCTURE, packet), {"offset_time": "not a date"}, "not a valid"),
                ((garbage, packet), {}, ""),
            ]
            for args, keywords, message in cases:
                with self.subTest(args=args, keywords=keywords):
                    with self.assertRaisesRegex(vorex.LoadError, message) as caught:
                        vorex.load(*args, **keywords)
                    self.assertIn("Error", [level for level, _ in caught.exception.log])
            project = vorex.load(STRUCTURE, packet, os.path.join(folder, "none.dat"))
            self.assertEqual(project.files, [packet])
            self.assertIn("Warn", [level for level, _ in project.log])

    def test_log_is_not_printed(self):
        with tempfile.TemporaryFile() as captured:
            saved = os.dup(2)
            os.dup2(captured.fileno(), 2)
            try:
                with self.assertRaises(vorex.LoadError):
                    vorex.load(STRUCTURE, "/nonexistent/p.dat")
            finally:
                os.dup2(saved, 2)
                os.close(saved)
            captured.seek(0)
            self.assertEqual(captured.read(), b"")


class Update(unittest.TestCase):
    def test_update_after_append(self):
        with tempfile.TemporaryDirectory() as folder:
            packet = os.path.join(folder, "grow.dat")
            sim = subprocess.Popen([SIM, packet, "--frames", "40", "--append-every", "0.05", "--count", "20"],
                                   stdout=subprocess.DEVNULL)
            try:
                deadline = time.monotonic() + 30
                while (not os.path.exists(packet) or os.path.getsize(packet) < 40 * FRAME_BYTES) \
                        and time.monotonic() < deadline:
                    time.sleep(0.01)
                project = vorex.load(STRUCTURE, packet)
                before = project.frame_count
                self.assertGreaterEqual(before, 40)
                self.assertEqual(sim.wait(timeout=60), 0)
            finally:
                sim.kill()
            self.assertEqual(project.update(), 60 - before)
            self.assertEqual(project.frame_count, 60)
            self.assertEqual(project.update(), 0)
            rows = cli_table(STRUCTURE, packet)
            table = project.table()
            self.assertEqual(len(table["serial"]), 60)
            for column, name in enumerate(rows[0]):
                assert_column_equal(self, name, [row[column] for row in rows[1:]], table[name])
            self.assertEqual(project.frame(59)["serial"], table["serial"][59])


if __name__ == "__main__":
    unittest.main()

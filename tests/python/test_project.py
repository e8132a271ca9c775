"""vorex.Project against vorex-cli on generated demo data."""

import csv
import gzip
import io
import math
import os
import pathlib
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import numpy as np

import vorex

CLI = os.environ["VOREX_CLI"]
SIM = os.environ["VOREX_SIM"]
STRUCTURE = os.path.join(os.environ["VOREX_DEMO_DIR"], "demo.structure")
IDENTITY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "identity")
FRAME_BYTES = 280


def run(*args, status=0):
    """The standard output of a run that ends with the exit status status."""
    done = subprocess.run([*args], capture_output=True)
    if done.returncode != status:
        raise subprocess.CalledProcessError(done.returncode, args, done.stdout, done.stderr)
    return done.stdout


def cli_table(*args, status=0):
    """The CSV of vorex-cli table as a list of rows, texts read as Latin-1."""
    text = run(CLI, "table", "-q", *args, status=status).decode("latin-1")
    return list(csv.reader(io.StringIO(text, newline="")))


def assert_table_equal(test, rows, table):
    """The table's columns hold the CLI's rows, column by column, in the CLI's order; in the long layout, the
    CLI's value is the text of a TEXT variable (whose value is NaN) and the value of any other."""
    if "text" in table:
        table = dict(table)
        text = table.pop("text")
        test.assertEqual(table["value"].dtype, np.float64)
        test.assertTrue(all(math.isnan(value) for value, message in zip(table["value"], text) if message is not None))
        table["value"] = np.array([value if message is None else message
                                   for value, message in zip(table["value"], text)], dtype=object)
    test.assertEqual(list(table), rows[0])
    for column, name in enumerate(rows[0]):
        assert_column_equal(test, name, [row[column] for row in rows[1:]], table[name])


def assert_column_equal(test, name, cells, array):
    test.assertEqual(len(cells), len(array), name)
    if array.dtype.kind == "M":
        # The CLI's text is cut to the millisecond.
        expected = np.array([cell or "NaT" for cell in cells], dtype="datetime64[ms]")
        np.testing.assert_array_equal(array.astype("datetime64[ms]"), expected, name)
        return
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
        from_paths = vorex.load(*map(pathlib.Path, (STRUCTURE, self.first, self.second)))
        self.assertEqual((from_paths.files, from_paths.frame_count), ([self.first, self.second], 750))
        self.assertEqual(run(CLI, "--version").decode().split(), ["vorex-cli", vorex.__version__])
        variables = dict(self.project.variables())
        self.assertEqual(variables["HKFrame.HK_POWER_ON"], "boolean")
        self.assertEqual(variables["HKFrame.HK_TEMP1"], "number")
        self.assertIn("text", variables.values())
        header = cli_table(STRUCTURE, self.first)[0]
        self.assertEqual([name for name, _ in self.project.variables()], header[5:])
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
                tables = [("loaded", self.project.table(vars=vars))]
                tables += [(f"read on {threads} threads",
                            vorex.read_table(STRUCTURE, self.first, self.second, vars=vars, threads=threads))
                           for threads in (1, 3)]
                tables.append(("read from paths", vorex.read_table(
                    *map(pathlib.Path, (STRUCTURE, self.first, self.second)), vars=vars, threads=256)))
                for how, table in tables:
                    with self.subTest(how=how):
                        assert_table_equal(self, rows, table)
                        self.assertEqual(table["serial"].dtype, np.int64)
                        self.assertEqual(table["HKFrame.HK_TEMP1"].dtype, np.float64)
            # Any number of files: packet a list, packet2 another that follows.
            rows = cli_table(STRUCTURE, self.first, self.second, self.first, *cli_vars)
            assert_table_equal(self, rows, vorex.read_table(STRUCTURE, [self.first, self.second], [self.first],
                                                            vars=vars))
        [name] = [name for name in table if name.endswith(".EVT_TEXT")]
        texts = [text for text in table[name] if text is not None]
        self.assertTrue(texts)
        self.assertTrue(all(isinstance(text, str) for text in texts))

    def test_long_table_equals_cli(self):
        rows = cli_table(STRUCTURE, self.first, "--layout", "long", "--vars", "DataFieldHeader.*,*.EVT_TEXT")
        project = vorex.load(STRUCTURE, self.first)
        vars = "DataFieldHeader.*,*.EVT_TEXT"
        assert_table_equal(self, rows, project.table(vars=vars, layout="long"))
        assert_table_equal(self, rows, vorex.read_table(STRUCTURE, self.first, vars=vars, layout="long", threads=3))

    def test_row_ranges_equal_cli(self):
        times = vorex.read_table(STRUCTURE, self.first, vars="SEQ_COUNT")["time"]
        start, stop = float(times[40]), float(times[90])
        cases = [({"frames": (10, 20)}, ["--frames", "10:20"]), ({"frames": (None, 5)}, ["--frames", ":5"]),
                 ({"frames": (590, None)}, ["--frames", "590:"]),
                 ({"start": start, "stop": stop}, ["--from", repr(start), "--to", repr(stop)]),
                 ({"start": "2003-01-15 06:46:45.070", "frames": (2, None)},
                  ["--from", "2003-01-15 06:46:45.070", "--frames", "2:"]),
                 ({"stop": np.datetime64("2003-01-15T06:47:10"), "layout": "long"},
                  ["--to", "2003-01-15 06:47:10", "--layout", "long"]),
                 ({"start": start, "stop": stop, "layout": "long", "frames": (30, None)},
                  ["--from", repr(start), "--to", repr(stop), "--layout", "long", "--frames", "30:"])]
        for arguments, options in cases:
            with self.subTest(options=options):
                rows = cli_table(STRUCTURE, self.first, self.second, *options)
                self.assertGreater(len(rows), 2)
                assert_table_equal(self, rows, vorex.read_table(STRUCTURE, self.first, self.second, **arguments))

    def test_gzip_file_gives_the_table_of_the_plain_file(self):
        zipped, short = self.first + ".gz", os.path.join(self.folder.name, "short.dat.gz")
        with open(self.first, "rb") as source, gzip.open(zipped, "wb") as target:
            target.write(source.read())
        with open(zipped, "rb") as whole, open(short, "wb") as cut:
            cut.write(whole.read()[:-2000])
        rows = cli_table(STRUCTURE, self.first, self.second)
        assert_table_equal(self, rows, vorex.read_table(STRUCTURE, zipped, self.second))
        assert_table_equal(self, rows, vorex.load(STRUCTURE, zipped, self.second).table())
        # The rows before the damage come with the error.
        with self.assertRaisesRegex(vorex.LoadError, "damaged \\(cut short\\)") as caught:
            vorex.read_table(STRUCTURE, short)
        frames = caught.exception.table["frame"]
        self.assertGreater(len(frames), 100)
        np.testing.assert_array_equal(frames, np.arange(len(frames)))

    def test_offset_time_equals_cli(self):
        offset = "2007-04-09 14:05:59"
        rows = cli_table(STRUCTURE, self.first, "--vars", "*PLOT_TIME", "--offset-time", offset)
        for table in (vorex.load(STRUCTURE, self.first, offset_time=offset).table(vars="*PLOT_TIME"),
                      vorex.read_table(STRUCTURE, self.first, vars="*PLOT_TIME", offset_time=offset)):
            assert_table_equal(self, rows, table)
            # To the nanosecond, beyond the CLI's text.
            np.testing.assert_array_equal((table["datetime"] - np.datetime64(offset.replace(" ", "T"))).astype(np.int64),
                                          np.floor(table["time"] * 1e9 + 0.5).astype(np.int64))

    def test_to_pandas(self):
        frame = self.project.to_pandas(vars=["HKFrame.HK_TEMP?"])
        table = self.project.table(vars=["HKFrame.HK_TEMP?"])
        self.assertEqual(list(frame.columns), list(table))
        np.testing.assert_array_equal(frame["HKFrame.HK_TEMP1"].to_numpy(), table["HKFrame.HK_TEMP1"])
        self.assertEqual(frame.attrs["units"], {f"HKFrame.HK_TEMP{i}": "degC" for i in range(1, 5)})
        self.assertEqual(frame.attrs["descriptions"]["HKFrame.HK_TEMP1"], "Electronics temperature")
        # BOOLEAN columns are nullable booleans; the datetime index.
        vars = ["HKFrame.HK_POWER_ON", "HK_SCIENCE_SWITCH"]
        frame, table = self.project.to_pandas(vars=vars, index="datetime"), self.project.table(vars=vars)
        for name in vars:
            self.assertEqual(frame[name].dtype, "boolean")
            np.testing.assert_array_equal(frame[name].isna().to_numpy(), np.isnan(table[name]))
            self.assertEqual(list(frame[name].dropna()), [value != 0 for value in table[name] if not np.isnan(value)])
        self.assertTrue(frame["HK_SCIENCE_SWITCH"].any() and not frame["HK_SCIENCE_SWITCH"].all())
        np.testing.assert_array_equal(frame.index.to_numpy(), table["datetime"])
        self.assertEqual(frame.index.dtype, "datetime64[ns]")
        saved = sys.modules.get("pandas")
        sys.modules["pandas"] = None
        try:
            with self.assertRaisesRegex(ImportError, "pandas"):
                self.project.to_pandas()
        finally:
            sys.modules["pandas"] = saved

    def test_variables_equal_cli_vars(self):
        rows = list(csv.DictReader(io.StringIO(run(CLI, "vars", "-q", STRUCTURE).decode("latin-1"), newline="")))
        self.assertEqual(vorex.variables(pathlib.Path(STRUCTURE)), rows)
        self.assertEqual(self.project.variables(details=True), rows)
        with self.assertRaisesRegex(vorex.LoadError, "does not exist"):
            vorex.variables(os.path.join(self.folder.name, "missing.structure"))

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
            (KeyError, "", lambda: self.project.series("HKFrame.NO_SUCH")),
            (KeyError, "", lambda: self.project.series("HK_TEMP1")),
            (KeyError, "", lambda: self.project.series("HKFrame.HK_TEMP1", sort="NO_SUCH")),
            (KeyError, "", lambda: self.project.table(vars=["HKFrame.NO_SUCH"])),
            (ValueError, "", lambda: self.project.table(layout="tall")),
            (TypeError, "", lambda: self.project.table(vars=[1])),
            (KeyError, "", lambda: vorex.read_table(STRUCTURE, self.first, vars=["HKFrame.NO_SUCH"])),
            (ValueError, "", lambda: vorex.read_table(STRUCTURE, self.first, layout="tall")),
            (ValueError, "threads", lambda: vorex.read_table(STRUCTURE, self.first, threads=-1)),
            (ValueError, "threads", lambda: vorex.read_table(STRUCTURE, self.first, threads=257)),
            (ValueError, "threads", lambda: vorex.read_table(STRUCTURE, self.first, threads=2 ** 64)),
            (TypeError, "", lambda: vorex.read_table(STRUCTURE, self.first, log=())),
            (TypeError, "packet file", lambda: vorex.read_table(STRUCTURE, [self.first, 3])),
            (TypeError, "frames", lambda: vorex.read_table(STRUCTURE, self.first, frames=3)),
            (ValueError, "frames", lambda: vorex.read_table(STRUCTURE, self.first, frames=(-1, 2))),
            (ValueError, "start", lambda: vorex.read_table(STRUCTURE, self.first, start="soon")),
            (ValueError, "stop", lambda: vorex.read_table(STRUCTURE, self.first, stop=np.datetime64("NaT"))),
            (ValueError, "'2007-02-30' is not a valid date and time",
             lambda: vorex.read_table(STRUCTURE, self.first, offset_time="2007-02-30")),
            (vorex.OffsetTimeError, "'x' is not", lambda: vorex.load(STRUCTURE, self.first, offset_time="x")),
            (ValueError, "null", lambda: vorex.read_table(STRUCTURE, self.first + "\0.old")),
            (ValueError, "null", lambda: vorex.load(STRUCTURE + "\0.old", self.first)),
            (ValueError, "null", lambda: vorex.load(STRUCTURE, self.first, pathlib.Path(self.second + "\0.old"))),
            (TypeError, "", lambda: vorex.load(STRUCTURE, 1)),
            (IndexError, "BaseFrame 600 is not in file 1", lambda: self.project.frame(600)),
            (IndexError, "BaseFrame 150 is not in file 2", lambda: self.project.frame(150, file=2)),
            (IndexError, "BaseFrame -601 is not", lambda: self.project.frame(-601)),
            (IndexError, "BaseFrame 18446744073709551616 is not", lambda: self.project.frame(2 ** 64)),
            (IndexError, "BaseFrame -18446744073709551617 is not", lambda: self.project.frame(-2 ** 64 - 1)),
            (ValueError, "", lambda: self.project.frame(0, file=3)),
            (TypeError, "", lambda: self.project.frame("0")),
        ]
        for error, message, call in cases:
            with self.subTest(error=error, message=message):
                self.assertRaisesRegex(error, message, call)


class ChunkedFiles(unittest.TestCase):
    """read_table on several threads: TEXT messages, a cross dependency and PLOT_TIMEs across chunks, and a
    BaseFrame length the pass adjusts."""

    def test_read_table_equals_cli(self):
        with tempfile.TemporaryDirectory() as folder:
            # 200 BaseFrames of 64 bytes: the number at byte 0, a message "EVnn" at byte 12 and the
            # switch to the cross-dependent sub-frame from BaseFrame 130 on (chunks); the number at
            # bytes 0 and 4 and the switch to the timed sub-frame in every 37th BaseFrame (times).
            files = {}
            for name, switch, again in (("chunks", lambda f: f >= 130, False), ("times", lambda f: f % 37 == 5, True)):
                data = bytearray()
                for f in range(200):
                    frame = bytearray(64)
                    frame[0:2] = f.to_bytes(2, "big")
                    frame[2] = 1 if switch(f) else 0
                    if again:
                        frame[4:6] = f.to_bytes(2, "big")
                    else:
                        frame[12:16] = b"EV%02d" % (f % 100)
                    data += frame
                for i in range(0, len(data), 2):
                    data[i], data[i + 1] = data[i + 1], data[i]
                files[name] = os.path.join(folder, name + ".dat")
                with open(files[name], "wb") as file:
                    file.write(data)
            # The demo structure with 282-byte BaseFrames, which a pass over 280-byte ones adjusts.
            adjusted = os.path.join(folder, "adjusted.structure")
            with open(STRUCTURE, encoding="latin-1") as source, open(adjusted, "w", encoding="latin-1") as target:
                target.write(source.read().replace("[BaseFrame:280]", "[BaseFrame:282]"))
            files["adjusted"] = os.path.join(folder, "demo.dat")
            run(SIM, files["adjusted"], "--frames", "300")
            # The cross dependency stops the pass at BaseFrame 130: the rows before come with the error.
            cases = [
                ("chunks", os.path.join(IDENTITY, "chunks.structure"), "wide", True),
                ("chunks", os.path.join(IDENTITY, "chunks.structure"), "long", True),
                ("times", os.path.join(IDENTITY, "times.structure"), "wide", False),
                ("adjusted", adjusted, "wide", False),
            ]
            for name, structure, layout, stopped in cases:
                rows = cli_table(structure, files[name], "--layout", layout, "--threads", "1", status=4 if stopped else 0)
                for threads in (1, 3, 4):
                    with self.subTest(name=name, layout=layout, threads=threads):
                        log = []
                        if stopped:
                            with self.assertRaisesRegex(vorex.LoadError, "Cross dependency") as caught:
                                vorex.read_table(structure, files[name], layout=layout, threads=threads, log=log)
                            table = caught.exception.table
                            self.assertEqual(caught.exception.frames, 130)
                            self.assertEqual(caught.exception.log, log)
                        else:
                            table = vorex.read_table(structure, files[name], layout=layout, threads=threads, log=log)
                        assert_table_equal(self, rows, table)
                        self.assertEqual("Error" in [level for level, _ in log], stopped)


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
                    if not keywords:
                        with self.assertRaisesRegex(vorex.LoadError, message):
                            vorex.read_table(*args)
            project = vorex.load(STRUCTURE, packet, os.path.join(folder, "none.dat"))
            self.assertEqual(project.files, [packet])
            self.assertIn("Warn", [level for level, _ in project.log])

    def test_refused_and_stopped_loads(self):
        with tempfile.TemporaryDirectory() as folder:
            fifo = os.path.join(folder, "fifo.dat")
            os.mkfifo(fifo)
            for packet in (fifo, "/dev/zero"):
                with self.subTest(packet=packet):
                    message = f"Paket file {packet} is not a regular file, not loaded."
                    for call in (vorex.load, vorex.read_table):
                        with self.assertRaises(vorex.LoadError) as caught:
                            call(STRUCTURE, packet)
                        self.assertEqual(str(caught.exception), message)
                        self.assertEqual(caught.exception.frames, 0)
            # The cross dependency from BaseFrame 130 on.
            packet = os.path.join(folder, "chunks.dat")
            with open(packet, "wb") as file:
                for f in range(200):
                    frame = bytearray(64)
                    frame[0:2] = f.to_bytes(2, "big")
                    frame[2] = 1 if f >= 130 else 0
                    file.write(bytes(frame[i ^ 1] for i in range(64)))
            with self.assertRaisesRegex(vorex.LoadError, "Cross dependency") as caught:
                vorex.load(os.path.join(IDENTITY, "chunks.structure"), packet)
            self.assertEqual(caught.exception.frames, 130)
            self.assertEqual(caught.exception.project.frame_count, 130)
            self.assertIn(("Error", str(caught.exception)), caught.exception.log)

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

    def test_update_reads_a_replaced_file_from_its_start(self):
        with tempfile.TemporaryDirectory() as folder:
            packet, other = os.path.join(folder, "live.dat"), os.path.join(folder, "other.dat")
            run(SIM, packet, "--frames", "30")
            run(SIM, other, "--frames", "20", "--seed", "9")
            project = vorex.load(STRUCTURE, packet)
            os.replace(other, packet)
            self.assertEqual(project.update(), 20)
            self.assertIn(("Warn", f"{packet} was replaced; reading it from the start."), project.log)
            serial = project.table()["serial"]
            self.assertEqual(list(project.table()["frame"]), list(range(50)))
            self.assertTrue((serial[1:] > serial[:-1]).all())


class Interrupt(unittest.TestCase):
    """Ctrl+C (SIGINT from a timer thread) ends a pass with KeyboardInterrupt."""

    def interrupted(self, call, delay):
        """The seconds until SIGINT, sent delay seconds after call started, ended it."""
        timer = threading.Timer(delay, os.kill, (os.getpid(), signal.SIGINT))
        start = time.monotonic()
        timer.start()
        try:
            with self.assertRaises(KeyboardInterrupt):
                call()
        finally:
            timer.join()
        return time.monotonic() - start

    def test_ctrl_c(self):
        frames, grown = 300000, 100000
        with tempfile.TemporaryDirectory() as folder:
            big = os.path.join(folder, "big.dat")
            run(SIM, big, "--frames", str(frames))
            # The slowest of the calls below but load, whole: the bound stays clear of a busy machine's jitter.
            start = time.monotonic()
            table = vorex.read_table(STRUCTURE, big, threads=1)
            whole = time.monotonic() - start
            # An update stopped early keeps its BaseFrames; the next one reads on after them.
            with open(big, "rb") as file:
                data = file.read(grown * FRAME_BYTES)
            packet = os.path.join(folder, "grow.dat")
            with open(packet, "wb") as file:
                file.write(data[:10 * FRAME_BYTES])
            project = vorex.load(STRUCTURE, packet)
            with open(packet, "ab") as file:
                file.write(data[10 * FRAME_BYTES:])
            self.interrupted(project.update, 0.02)
            stopped_at = project.frame_count
            self.assertLess(stopped_at, grown)
            self.assertEqual(project.update(), grown - stopped_at)
            np.testing.assert_array_equal(project.table(vars="HKFrame.HK_TEMP1")["serial"], table["serial"][:grown])
            calls = [
                ("load", lambda: vorex.load(STRUCTURE, big)),
                ("read_table on one thread", lambda: vorex.read_table(STRUCTURE, big, threads=1)),
                ("read_table on every core", lambda: vorex.read_table(STRUCTURE, big)),
            ]
            for name, call in calls:
                with self.subTest(name):
                    self.assertLess(self.interrupted(call, 0.05), whole * 0.6)


if __name__ == "__main__":
    unittest.main()

"""vorex.dask.read_table on a local distributed cluster of two workers."""

import os
import pathlib
import subprocess
import tempfile
import unittest

import pandas as pd

import vorex

SIM = os.environ["VOREX_SIM"]
STRUCTURE = os.path.join(os.environ["VOREX_DEMO_DIR"], "demo.structure")


class ReadTable(unittest.TestCase):
    def test_import_vorex_needs_no_dask(self):
        code = "import sys, vorex; sys.exit('dask' in sys.modules)"
        self.assertEqual(subprocess.run(["/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3",
                                         "-c", code]).returncode, 0)

    def test_three_files_on_two_workers(self):
        import vorex.dask
        from distributed import Client, LocalCluster

        with tempfile.TemporaryDirectory() as folder:
            files = []
            for seed, frames in ((1, 300), (2, 120), (3, 210)):
                files.append(os.path.join(folder, f"part{seed}.dat"))
                subprocess.run([SIM, files[-1], "--frames", str(frames), "--seed", str(seed)], check=True)
            with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                    Client(cluster):
                # The file names as str, and as os.PathLike.
                for vars, names, offset in ((None, files, None),
                                            (["HKFrame.HK_TEMP?", "*.EVT_TEXT"], map(pathlib.Path, files), "2007-04-09")):
                    with self.subTest(vars=vars):
                        frame = vorex.dask.read_table(pathlib.Path(STRUCTURE), names, vars=vars, offset_time=offset)
                        self.assertEqual(frame.npartitions, 3)
                        computed = frame.compute()
                        expected = pd.concat([vorex.load(STRUCTURE, name, offset_time=offset).to_pandas(vars=vars)
                                              for name in files])
                        self.assertEqual(len(computed), 630)
                        pd.testing.assert_frame_equal(computed, expected)
                with self.assertRaises(KeyError):
                    vorex.dask.read_table(STRUCTURE, files, vars=["HKFrame.NO_SUCH"])
                with self.assertRaises(ValueError):
                    vorex.dask.read_table(STRUCTURE, files, offset_time="2007-04-31")
                with self.assertRaises(vorex.LoadError):
                    vorex.dask.read_table(STRUCTURE, files + [os.path.join(folder, "none.dat")]).compute()


if __name__ == "__main__":
    unittest.main()

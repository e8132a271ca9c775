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

        def expected(files, vars=None, offset=None, layout="wide"):
            """The tables of vorex.load per file, concatenated, file a categorical of the paths."""
            parts = [vorex.load(STRUCTURE, name, offset_time=offset).to_pandas(vars=vars, layout=layout)
                     for name in files]
            for name, part in zip(files, parts):
                part["file"] = pd.Categorical([str(name)] * len(part), categories=list(map(str, files)))
            return pd.concat(parts)

        with tempfile.TemporaryDirectory() as folder:
            # One run cut in three: each file's times ascend and follow the previous file's.
            whole = os.path.join(folder, "whole.dat")
            subprocess.run([SIM, whole, "--frames", "630"], check=True)
            data = pathlib.Path(whole).read_bytes()
            files = []
            for number, (first, end) in enumerate(((0, 300), (300, 420), (420, 630))):
                files.append(os.path.join(folder, f"part{number}.dat"))
                pathlib.Path(files[-1]).write_bytes(data[first * 280:end * 280])
            back = os.path.join(folder, "back.dat")
            pathlib.Path(back).write_bytes(data[300 * 280:] + data[:300 * 280])
            with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
                    Client(cluster):
                # The file names as str, as os.PathLike and as a glob pattern.
                for vars, names, offset, layout in (
                        (None, files, None, "wide"),
                        (["HKFrame.HK_TEMP?", "*.EVT_TEXT"], list(map(pathlib.Path, files)), "2007-04-09", "wide"),
                        ("HKFrame.HK_TEMP1", os.path.join(folder, "part*.dat"), None, "long")):
                    with self.subTest(vars=vars, layout=layout):
                        frame = vorex.dask.read_table(pathlib.Path(STRUCTURE), names, vars=vars, layout=layout,
                                                      offset_time=offset)
                        self.assertEqual(frame.npartitions, 3)
                        self.assertFalse(frame.known_divisions)
                        pd.testing.assert_frame_equal(frame.compute(), expected(files, vars, offset, layout))
                # Blocks of 100 BaseFrames; divisions where the times ascend through the files in their order.
                for names, blocksize, index, known in ((files, 100, "datetime", True), (files, 100, None, False),
                                                       (files[::-1], None, "datetime", False),
                                                       ([back], None, "datetime", False)):
                    with self.subTest(names=names, blocksize=blocksize, index=index):
                        frame = vorex.dask.read_table(STRUCTURE, names, vars="HKFrame.HK_TEMP1", blocksize=blocksize,
                                                      index=index)
                        self.assertEqual(frame.npartitions, 8 if blocksize else len(names))
                        self.assertEqual(frame.known_divisions, known)
                        parts = [frame.get_partition(i).compute() for i in range(frame.npartitions)]
                        whole, computed = expected(names, "HKFrame.HK_TEMP1"), pd.concat(parts)
                        if index:
                            whole = whole.set_index(index)
                        else:
                            whole, computed = whole.reset_index(drop=True), computed.reset_index(drop=True)
                        pd.testing.assert_frame_equal(computed, whole)
                        if known:
                            self.assertEqual(frame.divisions,
                                             tuple(part.index[0] for part in parts) + (parts[-1].index[-1],))
                # A structure without variables still has the rows' times for its blocks.
                bare = os.path.join(folder, "bare.structure")
                pathlib.Path(bare).write_text("[BaseFrame:280]\n")
                frame = vorex.dask.read_table(bare, files, blocksize=100, index="datetime")
                self.assertEqual(frame.npartitions, 8)
                self.assertEqual(len(frame.compute()), 630)
                with self.assertRaises(KeyError):
                    vorex.dask.read_table(STRUCTURE, files, vars=["HKFrame.NO_SUCH"])
                with self.assertRaises(ValueError):
                    vorex.dask.read_table(STRUCTURE, files, offset_time="2007-04-31")
                with self.assertRaises(ValueError):
                    vorex.dask.read_table(STRUCTURE, [files[0], os.path.join(folder, "part?.dat")])
                with self.assertRaisesRegex(FileNotFoundError, "none"):
                    vorex.dask.read_table(STRUCTURE, os.path.join(folder, "none*.dat"))
                with self.assertRaises(vorex.LoadError):
                    vorex.dask.read_table(STRUCTURE, files + [os.path.join(folder, "none.dat")]).compute()

if __name__ == "__main__":
    unittest.main()

"""A whole campaign as one Dask DataFrame: one partition per packet file.

Each partition is decoded by a worker with vorex, so the same call runs on a
laptop's local scheduler or on a Dask cluster (the workers need vorex
importable and the files readable under the same names).
"""

import os
import tempfile

import dask
import dask.dataframe
import pandas

import vorex

__all__ = ["read_table"]


def _partition(structure, packet, vars):
    """The wide table of one packet file as a pandas DataFrame, decoded without keeping its BaseFrames."""
    return pandas.DataFrame(vorex.read_table(structure, packet, vars=vars), copy=False)


def read_table(structure, packet_files, vars=None):
    """read_table(structure, packet_files, vars=None) -> dask.dataframe.DataFrame

    The wide table of each packet file (columns as Project.table(vars)), one
    partition per file in the order given; the file column is 1 in every
    partition, frame counts from 0 in each. The column names and types follow
    from the structure file alone (loaded here with an empty packet file); a
    bad name in vars raises KeyError here, a packet file that does not load
    raises vorex.LoadError when the partition is computed.
    """
    structure = os.fspath(structure)
    packet_files = [os.fspath(packet) for packet in packet_files]
    if not packet_files:
        raise ValueError("read_table needs at least one packet file")
    if not isinstance(vars, (type(None), str)):
        vars = [str(name) for name in vars]
    with tempfile.TemporaryDirectory() as folder:
        empty = os.path.join(folder, "empty.dat")
        open(empty, "wb").close()
        meta = _partition(structure, empty, vars)
    parts = [dask.delayed(_partition)(structure, packet, vars) for packet in packet_files]
    return dask.dataframe.from_delayed(parts, meta=meta, divisions=None, verify_meta=False)

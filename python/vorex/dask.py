"""A whole campaign as one Dask DataFrame: one partition per packet file.

Each partition is decoded by a worker with vorex, so the same call runs on a
laptop's local scheduler or on a Dask cluster (the workers need vorex
importable and the files readable under the same names).
"""

import os
import tempfile

import dask
import dask.dataframe

import vorex

__all__ = ["read_table"]


def _partition(structure, packet, vars, offset_time, booleans):
    """The wide table of one packet file as a pandas DataFrame, decoded without keeping its BaseFrames."""
    return vorex._data_frame(vorex.read_table(structure, packet, vars=vars, offset_time=offset_time), booleans)


def read_table(structure, packet_files, vars=None, offset_time=None):
    """read_table(structure, packet_files, vars=None, offset_time=None) -> dask.dataframe.DataFrame

    The wide table of each packet file (columns as Project.table(vars)), one
    partition per file in the order given; the file column is 1 in every
    partition, frame counts from 0 in each. The columns and their types are
    those of Project.to_pandas(vars); datetime adds the BaseFrames' times to
    offset_time (as vorex.load() takes it). They follow from the structure
    file alone (loaded here with an empty packet file); a bad name in vars
    raises KeyError here, a bad offset_time vorex.OffsetTimeError (a
    ValueError), a packet file that does not load vorex.LoadError when the
    partition is computed.
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
        project = vorex.load(structure, empty, offset_time=offset_time)
        meta = project.to_pandas(vars=vars)
    booleans = vorex._boolean_columns(project)
    parts = [dask.delayed(_partition)(structure, packet, vars, offset_time, booleans) for packet in packet_files]
    return dask.dataframe.from_delayed(parts, meta=meta, divisions=None, verify_meta=False)

"""A whole campaign as one Dask DataFrame: packet files decoded by the workers.

Each partition is decoded by a worker with vorex, so the same call runs on a
laptop's local scheduler or on a Dask cluster (the workers need vorex
importable and the files readable under the same names).
"""

import errno
import glob
import os
import tempfile

import dask
import dask.dataframe
import numpy
import pandas

import vorex

__all__ = ["read_table"]


def _paths(files):
    """The packet files named by files (a path, a glob pattern or a list of either), each pattern expanded
    sorted; FileNotFoundError for a pattern that matches nothing, ValueError for a file named twice."""
    if isinstance(files, (str, bytes, os.PathLike)):
        files = [files]
    paths = []
    for name in map(os.fsdecode, files):
        if not glob.has_magic(name):
            paths.append(name)
            continue
        matches = sorted(glob.glob(name))
        if not matches:
            raise FileNotFoundError(errno.ENOENT, "No packet file matches the pattern", name)
        paths += matches
    if not paths:
        raise ValueError("read_table needs at least one packet file")
    twice = sorted({path for path in paths if paths.count(path) > 1})
    if twice:
        raise ValueError("packet files named more than once: " + ", ".join(twice))
    return paths


def _blocks(structure, packet, offset_time, blocksize, narrow):
    """The partitions of one packet file from a pass that keeps its times and the columns narrow (at most
    one: vars=[] keeps them all): a list of (frames, first, last), frames the (A, B) of blocksize BaseFrames each
    (None for the whole file) and first and last its rows' earliest and latest datetime, empty for a file
    without BaseFrames; and whether the file's times ascend (none NaT)."""
    table = vorex.read_table(structure, packet, vars=narrow, offset_time=offset_time, progress=False)
    frame, times = table["frame"], table["datetime"]
    ascends = not numpy.isnat(times).any() and bool(numpy.all(times[1:] >= times[:-1]))
    if len(frame) == 0:
        return [], ascends
    count = int(frame[-1]) + 1
    size = blocksize or count
    edges = list(range(0, count, size)) + [count]
    rows = numpy.searchsorted(frame, edges)
    blocks = [((a, b) if blocksize else None, times[first:end].min(), times[first:end].max())
              for a, b, first, end in zip(edges, edges[1:], rows, rows[1:]) if end > first]
    return blocks, ascends


def _divisions(blocks):
    """The divisions of partitions given as (frames, first, last) in order, or None unless each partition's
    times all come before the next one's."""
    if not blocks or any(last >= first for (_, _, last), (_, first, _) in zip(blocks, blocks[1:])):
        return None
    return tuple(pandas.Timestamp(first) for _, first, _ in blocks) + (pandas.Timestamp(blocks[-1][2]),)


def _partition(structure, packet, file_type, vars, layout, offset_time, frames, booleans, index):
    """The table of the BaseFrames frames of one packet file as a pandas DataFrame, decoded without keeping
    them; its file column the packet file as a category of file_type."""
    columns = vorex.read_table(structure, packet, vars=vars, layout=layout, offset_time=offset_time,
                               progress=False, frames=frames)
    codes = numpy.full(len(columns["file"]), file_type.categories.get_loc(packet))
    columns["file"] = pandas.Categorical.from_codes(codes, dtype=file_type)
    return vorex._data_frame(columns, booleans, index)


def read_table(structure, files, vars=None, layout="wide", blocksize=None, offset_time=None, index=None):
    """read_table(structure, files, vars=None, layout="wide", blocksize=None, offset_time=None, index=None)
    -> dask.dataframe.DataFrame

    The table of each packet file as vorex.read_table gives it (columns as
    Project.table(vars, layout)), in the order of files: a path, a glob
    pattern or a list of either (str or os.PathLike); a pattern is expanded
    sorted. The column file is the packet file, a pandas categorical whose
    categories are all the files in that order; frame counts the BaseFrames
    from 0 in each file. The columns and their types are otherwise those of
    Project.to_pandas(vars, layout); datetime adds the BaseFrames' times to
    offset_time (as vorex.load() takes it).

    One partition per file, or with blocksize (a number of BaseFrames) one
    per blocksize whole BaseFrames of a file, each read on its own with
    read_table(frames=(A, B)), which decodes the file only up to a little
    after BaseFrame B-1 and keeps the rows of those BaseFrames. index=None keeps a default index counting rows
    from 0 in each partition, and the divisions unknown. index="datetime"
    indexes the rows by datetime; the divisions are then known when each
    file's times ascend and each partition's times come before the next
    one's, and unknown otherwise (such as for a file with a row before its
    first time, NaT). Blocksize and index="datetime" take a first pass over
    every file, on the current Dask scheduler, that keeps the times alone
    (as long as reading one column); partitions of files without BaseFrames
    are then left out.

    The columns follow from the structure file alone (loaded here with an
    empty packet file); a bad name in vars raises KeyError here, a bad
    offset_time vorex.OffsetTimeError (a ValueError), a pattern that matches
    nothing FileNotFoundError, a file named twice ValueError, a packet file
    that does not load vorex.LoadError when it is read.
    """
    structure = os.fspath(structure)
    paths = _paths(files)
    if not isinstance(vars, (type(None), str)):
        vars = [str(name) for name in vars]
    if blocksize is not None and (not isinstance(blocksize, int) or isinstance(blocksize, bool) or blocksize < 1):
        raise ValueError("blocksize must be a number of BaseFrames (1 or more) or None, not " + repr(blocksize))
    if index not in (None, "datetime"):
        raise ValueError('index must be None or "datetime", not ' + repr(index))
    with tempfile.TemporaryDirectory() as folder:
        empty = os.path.join(folder, "empty.dat")
        open(empty, "wb").close()
        project = vorex.load(structure, empty, offset_time=offset_time)
        meta = project.to_pandas(vars=vars, layout=layout, index=index)
    file_type = pandas.CategoricalDtype(paths)
    meta["file"] = pandas.Categorical([], dtype=file_type)
    parts = [(path, None) for path in paths]
    divisions = None
    if blocksize or index:
        # One variable column, or none when the structure has none (vars=[] then keeps all: none).
        narrow = [variable["name"] for variable in vorex.variables(structure)[:1]]
        passes = dask.compute(*[dask.delayed(_blocks)(structure, path, offset_time, blocksize, narrow)
                                for path in paths])
        blocks = [(path, *block) for path, (file_blocks, _) in zip(paths, passes) for block in file_blocks]
        if blocks:
            parts = [(path, frames) for path, frames, _, _ in blocks]
        if index and all(ascends for _, ascends in passes):
            divisions = _divisions([block[1:] for block in blocks])
    booleans = vorex._boolean_columns(project)
    tasks = [dask.delayed(_partition)(structure, path, file_type, vars, layout, offset_time, frames, booleans, index)
             for path, frames in parts]
    return dask.dataframe.from_delayed(tasks, meta=meta, divisions=divisions, verify_meta=False)

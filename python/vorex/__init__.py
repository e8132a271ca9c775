"""Vorex in Python: the decoded telemetry of a project as numpy arrays.

Load a structure file and one or two packet files, then read the decoded
values as the plot windows and ``vorex-cli table`` see them::

    import vorex
    project = vorex.load("demo/demo.structure", "demo/demo.dat")
    serial, time, value = project.series("HKFrame.HK_TEMP1")
    columns = project.table(vars=["HKFrame.*"])      # dict of numpy arrays
    frame = project.frame(0)                           # one BaseFrame as dicts
    new = project.update()                             # what the files gained
    columns = vorex.read_table("demo/demo.structure", "demo/demo.dat")  # no trees kept
    units = {v["name"]: v["unit"] for v in vorex.variables("demo/demo.structure")}

Contents:

- ``load(structure, packet, packet2=None, offset_time=None, resync=False)``
  returns a ``Project``; a load that stops raises ``LoadError``, an
  ``offset_time`` that is not a date and time ``OffsetTimeError`` (a
  ``ValueError``).
- ``Project``: ``frame_count``, ``files``, ``log``, ``variables()``,
  ``series()``, ``table()``, ``to_pandas()``, ``to_xarray()``, ``frame()``, ``update()``.
- ``read_table(structure, packet, packet2=None, vars=None, layout="wide",
  resync=False, threads=0, log=None, offset_time=None, progress=True,
  frames=None, start=None, stop=None)``: the columns of ``Project.table()`` decoded straight from
  the files, without keeping the BaseFrames, on every core, only those of
  the BaseFrames numbered ``frames=(A, B)`` and timed in [``start``,
  ``stop``); a progress line on a
  terminal's standard error for a packet file of more than 100 MB;
  ``packet`` may be a list of any number of packet files.
- ``variables(structure)``: a dict per variable column of the table (name,
  kind, unit, description, transform), as ``vorex-cli vars`` lists them;
  ``Project.variables(details=True)`` gives the same for a project.
- ``Project.to_xarray(vars=None)`` and ``read_xarray(structure, packet,
  packet2=None, vars=None, offset_time=None, resync=False, threads=0,
  log=None)``: the wide table as the xarray Dataset of the netCDF file that
  ``vorex-cli table --format netcdf`` writes (needs xarray; ``import vorex``
  does not).
- ``vorex.dask.read_table(structure, files, vars=None, layout="wide",
  blocksize=None, offset_time=None, index=None)``: a Dask DataFrame of the
  packet files a glob pattern or a list names, one partition per file or per
  blocksize BaseFrames, indexed by datetime with known divisions if asked
  (needs Dask; ``import vorex`` does not).

File names are ``str``, ``bytes`` or ``os.PathLike`` (``pathlib.Path``); a
packet file ``-`` is standard input, one ending in ``.gz`` is decompressed.
Decoding runs without the GIL; Ctrl+C ends it with ``KeyboardInterrupt``.
Bad files, names and arguments raise Python exceptions: ``LoadError``,
``KeyError`` (unknown variable names), ``IndexError`` (a BaseFrame that is
not there), ``ValueError`` and ``TypeError`` (bad arguments).
``__version__`` is the version of Vorex.
"""

import numbers

from ._vorex import LoadError, OffsetTimeError, Project, __version__, _netcdf_layout, load, variables
from ._vorex import read_table as _read_table

__all__ = ["LoadError", "OffsetTimeError", "Project", "load", "read_table", "read_xarray", "variables"]


def _data_frame(columns, booleans, index=None):
    """The DataFrame of table columns (a dict of numpy arrays) whose columns named in booleans are pandas'
    nullable boolean (True where not 0, <NA> where NaN); index names the column to index it by, or is None."""
    import numpy
    import pandas

    columns = dict(columns)
    for name in booleans:
        if name in columns:
            values = columns[name]
            columns[name] = pandas.arrays.BooleanArray(values != 0, numpy.isnan(values))
    frame = pandas.DataFrame(columns, copy=False)
    return frame if index is None else frame.set_index(index)


def _boolean_columns(project):
    """The names of the project's BOOLEAN columns."""
    return [variable[0] for variable in project.variables() if variable[1] == "boolean"]


def _to_pandas(self, vars=None, layout="wide", index=None):
    """to_pandas(vars=None, layout="wide", index=None) -> pandas.DataFrame

    The columns of table(vars, layout) as a DataFrame, BOOLEAN columns as
    pandas' nullable boolean dtype (<NA> where absent). index: the name of a
    column to index the rows by, such as "datetime"; None keeps a
    RangeIndex. Its attrs hold "units" and "descriptions": dicts from each
    variable's qualified name (its column in the wide layout) to its unit
    and description, as variables() gives them. Raises ImportError when
    pandas cannot be imported.
    """
    try:
        import pandas  # noqa: F401
    except ImportError as error:
        raise ImportError("Project.to_pandas needs pandas, which cannot be imported: " + str(error)) from error
    frame = _data_frame(self.table(vars=vars, layout=layout), _boolean_columns(self), index)
    details = self.variables(details=True)
    if layout == "wide":
        details = [variable for variable in details if variable["name"] in frame.columns]
    frame.attrs["units"] = {variable["name"]: variable["unit"] for variable in details}
    frame.attrs["descriptions"] = {variable["name"]: variable["description"] for variable in details}
    return frame


def _frames_text(frames):
    """frames (A, B), None for an open end, as the text "A:B" of vorex-cli table --frames; "" for None."""
    if frames is None:
        return ""
    if not isinstance(frames, (tuple, list)) or len(frames) != 2:
        raise TypeError("frames must be a pair (A, B) of BaseFrame numbers or None, not " + repr(frames))
    for bound in frames:
        if bound is not None and (not isinstance(bound, int) or isinstance(bound, bool) or bound < 0):
            raise ValueError("a bound of frames must be a BaseFrame number (0 or more) or None, not " + repr(bound))
    return ":".join("" if bound is None else str(bound) for bound in frames)


def _time_text(name, bound):
    """start or stop as the text of vorex-cli table --from or --to: a number of seconds, a str as it is, another
    date and time (datetime.datetime, numpy.datetime64) as "yyyy-mm-dd hh:nn:ss.zzz"; "" for None."""
    import numpy

    if bound is None:
        return ""
    if isinstance(bound, str):
        return bound
    if isinstance(bound, numbers.Real) and not isinstance(bound, (bool, numpy.bool_)):
        return repr(float(bound))
    try:
        return str(numpy.datetime64(bound, "ms")).replace("T", " ")
    except (TypeError, ValueError) as error:
        raise ValueError(name + " must be seconds or a date and time, not " + repr(bound)) from error


def read_table(structure, packet, packet2=None, vars=None, layout="wide", resync=False, threads=0, log=None,
               offset_time=None, progress=True, frames=None, start=None, stop=None):
    """read_table(structure, packet, packet2=None, vars=None, layout="wide", resync=False, threads=0, log=None,
    offset_time=None, progress=True, frames=None, start=None, stop=None) -> dict of numpy arrays

    The columns of Project.table(vars, layout) for the files, decoded as
    vorex-cli table decodes them: no BaseFrame is kept once its row is taken,
    so it needs far less memory than load() followed by table(), and wide
    rows are taken on the threads that decode (threads: 0 for one per core,
    at most 256). frames=(A, B): only the rows of the BaseFrames numbered A
    to B-1 in their file (the column frame), None for an open end, as
    vorex-cli table --frames A:B; a file is decoded only up to a little
    after its BaseFrame B-1. start and stop: only the rows whose time (seconds, a
    number) or datetime (a str as --from takes it, "yyyy-mm-dd
    hh:nn:ss[.zzz]" or seconds, or a datetime.datetime or numpy.datetime64,
    to the millisecond) is start or later and before stop, as --from and
    --to, in either layout. Raises LoadError when the files do not load
    or a pass ends before the end of a packet file (its table attribute holds
    the columns of the BaseFrames decoded so far), KeyError for a name in
    vars that matches no column, KeyboardInterrupt on Ctrl+C. log: a list,
    or None; every (level, text) entry of the decoding is appended to it.
    offset_time: as load() takes it. While a packet file of more than 100 MB
    is decoded, a line on standard error shows a bar, the BaseFrames so far,
    their rate and the time left, when sys.stderr is a terminal;
    progress=False leaves it out. The file names are as load() takes them;
    packet may also be a list of them and packet2 a name or a list that
    follows: any number of packet files (at most 1000), read in order, the
    second one's serial numbers from 100000000, each further one's 100000000
    higher, the column file numbering them from 1.
    """
    return _read_table(structure, packet, packet2, vars, layout, resync, threads, log, offset_time, progress,
                       _frames_text(frames), _time_text("start", start), _time_text("stop", stop))


def _xarray_dataset(what, layout, columns):
    """The Dataset of vorex._xarray; ImportError naming what when xarray cannot be imported."""
    try:
        from . import _xarray
    except ImportError as error:
        raise ImportError(what + " needs xarray, which cannot be imported: " + str(error)) from error
    return _xarray.dataset(layout(), columns())


def _to_xarray(self, vars=None):
    """to_xarray(vars=None) -> xarray.Dataset

    The wide table(vars) as the Dataset that xarray.open_dataset gives for the
    file of vorex-cli table --format netcdf --out FILE: dimension baseframe,
    the variables and attributes of the file, time decoded to datetime64 from
    the Offset Time (NaT before the first PLOT_TIME), an absent TEXT value
    NaN. Raises ImportError when xarray cannot be imported.
    """
    return _xarray_dataset("Project.to_xarray", lambda: self._netcdf_layout(vars),
                           lambda: self.table(vars=vars))


def read_xarray(structure, packet, packet2=None, vars=None, offset_time=None, resync=False, threads=0, log=None):
    """read_xarray(structure, packet, packet2=None, vars=None, offset_time=None, resync=False, threads=0,
    log=None) -> xarray.Dataset

    The Dataset of Project.to_xarray(vars) for the files, decoded as
    read_table decodes them (the arguments as there; offset_time as load()
    takes it). Raises ImportError when xarray cannot be imported.
    """
    return _xarray_dataset(
        "vorex.read_xarray", lambda: _netcdf_layout(structure, packet, packet2, vars, offset_time),
        lambda: read_table(structure, packet, packet2, vars=vars, resync=resync, threads=threads, log=log))


Project.to_pandas = _to_pandas
Project.to_xarray = _to_xarray
for _item in (LoadError, OffsetTimeError, Project, load, read_table, read_xarray, variables):
    _item.__module__ = __name__
del _item

#!/usr/bin/python3
"""Decodes DICOM files independently of the project's code, for tests that compare.

For every file named on the command line, prints one line:
  PATH|BA BS HB PR PHOTOMETRIC SLOPE INTERCEPT ROWS COLUMNS|WORDS|VALUES
WORDS are the sample words as stored (unsigned), VALUES the stored values read from
them by the file's own Bits Stored, High Bit and Pixel Representation. Compressed files
that pydicom cannot decode with numpy alone are made uncompressed by GDCM first.
A file that cannot be read gives PATH|ERROR reason.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
import pydicom

# Uncompressed syntaxes (deflated included: pydicom inflates the whole data set).
NATIVE = {"1.2.840.10008.1.2", "1.2.840.10008.1.2.1", "1.2.840.10008.1.2.2", "1.2.840.10008.1.2.1.99"}


def dataset(path):
    ds = pydicom.dcmread(path)
    if str(ds.file_meta.TransferSyntaxUID) in NATIVE:
        return ds
    with tempfile.TemporaryDirectory() as folder:
        raw = os.path.join(folder, "raw.dcm")
        subprocess.run(["gdcmconv", "--raw", path, raw], check=True, capture_output=True)
        return pydicom.dcmread(raw)


def words(ds):
    kind = {8: np.uint8, 16: np.uint16, 32: np.uint32}[ds.BitsAllocated]
    dtype = np.dtype(kind).newbyteorder("<" if ds.is_little_endian else ">")
    count = ds.Rows * ds.Columns * ds.SamplesPerPixel
    return np.frombuffer(ds.PixelData, dtype=dtype, count=count).astype(np.int64)


def stored(raw, ds):
    bits, high = ds.BitsStored, ds.HighBit
    values = (raw >> (high - bits + 1)) & ((1 << bits) - 1)
    if ds.get("PixelRepresentation", 0) == 1:
        values = np.where(values >= 1 << (bits - 1), values - (1 << bits), values)
    return values


def describe(path):
    ds = dataset(path)
    raw = words(ds)
    labels = [ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.get("PixelRepresentation", 0),
              ds.PhotometricInterpretation, ds.get("RescaleSlope", "-"), ds.get("RescaleIntercept", "-"),
              ds.Rows, ds.Columns]
    return "|".join([path, " ".join(str(v) for v in labels), " ".join(str(int(v)) for v in raw),
                     " ".join(str(int(v)) for v in stored(raw, ds))])


for name in sys.argv[1:]:
    try:
        print(describe(name))
    except Exception as error:  # one unreadable file must not hide the others
        print(f"{name}|ERROR {error}")

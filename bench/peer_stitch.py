#!/usr/bin/python3
"""The peer of tessor stitch: the same job in Python with pydicom and numpy.

Reads each source, keeps the rows and shifts the columns its adjustment rectangle names
(taken from `tessor stitch --json`), stacks the kept rows and writes them into a copy of
the first source as a new DICOM file.

    peer_stitch.py RECTS.json OUT.dcm
"""
import json
import sys

import numpy as np
import pydicom
from pydicom.uid import generate_uid


def kept_rows(pixels, rect):
    """The rows top..bottom-1, shifted sideways by `left` with zeros filling the gap."""
    top, bottom, left = rect["top"], rect["bottom"], rect["left"]
    band = pixels[top:bottom]
    width = band.shape[1]
    if left == 0:
        return band
    shifted = np.zeros_like(band)
    if left > 0:
        shifted[:, : width - left] = band[:, left:]
    else:
        shifted[:, -left:] = band[:, : width + left]
    return shifted


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: peer_stitch.py RECTS.json OUT.dcm")
    with open(sys.argv[1], encoding="utf-8") as f:
        images = json.load(f)["images"]
    template = None
    bands = []
    for image in images:
        ds = pydicom.dcmread(image["file"])
        bands.append(kept_rows(ds.pixel_array, image))
        if template is None:
            template = ds
    stitched = np.ascontiguousarray(np.vstack(bands))
    template.Rows, template.Columns = stitched.shape
    template.PixelData = stitched.tobytes()
    template.SOPInstanceUID = generate_uid()
    template.file_meta.MediaStorageSOPInstanceUID = template.SOPInstanceUID
    template.save_as(sys.argv[2])


if __name__ == "__main__":
    main()

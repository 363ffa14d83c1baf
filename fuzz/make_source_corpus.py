#!/usr/bin/env python3
"""Writes the seed corpus of the source-answers fuzzer (layout in
source_answers_exercise.h and scripted_twain.h): six export calls of four
bytes, then the answer stream, one selector byte per triplet in the order
the library sends them (ZELFUZZ_TRACE=1 lists that order with the stream
offsets).  A selector from 0xA0 on scripts its triplet: 0xA0 + variant,
the variant's low three bits the result code, then the triplet's bytes.
"""
import os
import sys

MEMORY, CLIPBOARD, BITMAP_FILE, MULTIPAGE, DEVICE_FILES, WAIT_NATIVE = 1, 2, 3, 4, 5, 6
END_XFER, ABORT, GET_CAP, SET_CAP, NAMED, FREE, OPEN = 7, 8, 9, 10, 11, 12, 13
# The host's own acquisition: the modal loop, or its own loop of
# CapturarMensajes; argument c & 1 the file mechanism, c & 2 its own name.
HOST_MODAL, HOST_LOOP = 0x10, 0x20
# Name argument b: & 8 the earlier acquisition's lote.tif.
LOTE = 8

SCRIPTED = 0xA0
# Native transfer: XFERDONE, a DIB block, then its shape: header index
# (40, 40, 12, 108, 124, word, 16, 64) with the bits below, width, height,
# depth index (1, 4, 8, 16, 24, 32, 0, 2, 3, 48, 64, 8), compression,
# colours used, image size, block size, fill.
NO_X_RESOLUTION, NO_Y_RESOLUTION = 0x08, 0x10
# BI_BITFIELDS with real masks: 5-6-5 (16 bits) or 8-8-8, else 5-5-5 or 10-10-10.
MASKS, MASKS_555 = 0x20, 0x60
def dib(header=0, width=8, height=6, depth=4, compression=0, colours=0, size=0, block=0,
        fill=0x35):
    return [SCRIPTED, 0, header, width, height & 0xFF, depth, compression, colours, size,
            block, fill]


def calls(*ops):
    out = []
    for op in ops:
        out += list(op) + [0] * (4 - len(op))
    return out + [0] * (24 - len(out))


# Triplets before the first native transfer of AdquirirEnMemoria(mask 0):
# OPENDSM, OPENDS, two ICAP_XFERMECH sets, CAP_UICONTROLLABLE, ENABLEDS,
# PROCESSEVENT, ICAP_XFERMECH, IMAGEINFO.
MEMORY_NATIVE_AT = 9
MEMORY_ENABLE_AT = 5
MEMORY_ENDXFER_AT = 10
# AdquirirMultipagina: OPENDSM, OPENDS, XFERMECH, FEEDERENABLED, AUTOFEED,
# XFERCOUNT, XFERMECH, UICONTROLLABLE, then ENABLEDS.
MULTIPAGE_ENABLE_AT = 8
# ... PROCESSEVENT, ICAP_XFERMECH, IMAGEINFO after a scripted ENABLEDS.
MULTIPAGE_NATIVE_AT = 14
# AdquirirMultipaginaXDispositivo: ... IMAGEFILEFORMAT, SETUPFILEXFER,
# FEEDERENABLED, AUTOFEED, XFERCOUNT, XFERMECH, UICONTROLLABLE, ENABLEDS.
DEVICE_ENABLE_AT = 10
# After a scripted ENABLEDS: PROCESSEVENT, ICAP_XFERMECH, IMAGEINFO,
# FILEXFER, ENDXFER, then for page 2 SETUPFILEXFER, IMAGEINFO, FILEXFER,
# ENDXFER.
DEVICE_SETUP_AT = 18
DEVICE_SECOND_END_AT = 21
# The host's own acquisition: OPENDSM, OPENDS, ICAP_XFERMECH, CAP_UICONTROLLABLE,
# ENABLEDS.
HOST_ENABLE_AT = 4


def at(index, scripted):
    return [0] * index + scripted


SEEDS = {
    "memory_plain": calls((MEMORY, 0)),
    "clipboard_gray": calls((CLIPBOARD, 0x02)),
    "bitmap_file": calls((BITMAP_FILE, 0, 0)),
    "memory_core_header": calls((MEMORY, 0)) + at(MEMORY_NATIVE_AT, dib(header=2, depth=2)),
    "memory_v5_short_block": calls((MEMORY, 0)) +
        at(MEMORY_NATIVE_AT, dib(header=4, width=9, height=-5, block=0xF0, fill=7)),
    "memory_v4_top_down_palette": calls((MEMORY, 0)) +
        at(MEMORY_NATIVE_AT, dib(header=3, height=-4, depth=1, colours=0xC2, fill=0)),
    "memory_null_handle": calls((MEMORY, 0)) + at(MEMORY_NATIVE_AT, [SCRIPTED, 5]),
    "memory_made_up_handle": calls((MEMORY, 0)) + at(MEMORY_NATIVE_AT, [SCRIPTED, 6, 0x55]),
    "memory_unknown_pending": calls((MEMORY, 0), (FREE,)) +
        at(MEMORY_ENDXFER_AT, [SCRIPTED, 0x40]),
    # ENABLEDS posts XFERREADY and CLOSEDSREQ before it answers.
    "memory_events_inside_enable": calls((MEMORY, 0)) +
        at(MEMORY_ENABLE_AT, [SCRIPTED, 2, 0x12]),
    "memory_enable_refused": calls((MEMORY, 0)) + at(MEMORY_ENABLE_AT, [SCRIPTED + 1, 0, 0]),
    "multipage_tiff_three_pages": calls((MULTIPAGE, 1, 0, 0)) +
        at(MULTIPAGE_ENABLE_AT, [SCRIPTED, 3, 0x01]),
    # JPEG quality 50, two-sided, blank threshold 1 %, interface hidden.
    "multipage_jpeg_duplex_blank": calls((MULTIPAGE, 3 | 0x08 | 0x10, 0, 11 | 0x30 | 0x80)),
    # Forced manual duplex into numbered bitmaps, interface hidden: two
    # passes and the box between them.
    "multipage_manual_duplex": calls((MULTIPAGE, 2 | 0x10, 0, 0x40)),
    "multipage_png_dialog": calls((MULTIPAGE, 4, 2, 0)),
    "device_files_tiff_two_pages": calls((DEVICE_FILES, 0, 1, 0)) +
        at(DEVICE_ENABLE_AT, [SCRIPTED, 2, 0x01]),
    "device_files_pdf": calls((DEVICE_FILES, 5, 0, 0)),
    # State 4, then a pixel-type enumeration of 0xFFFFFFFF items in a
    # 30-byte block, a one-value of the wrong type and a short block.
    "capabilities_lying_containers": calls((OPEN, 0), (NAMED, 0, 7), (GET_CAP, 0, 4),
                                           (SET_CAP, 1, 4, 1), (NAMED, 4)) +
        at(3, [SCRIPTED, 0x01, 4, 0xF0, 0, 0] + [0] * 30 +
           [SCRIPTED, 0x00, 12, 1, 0, 0x80]),
    # The source takes the file mechanism, then reads it back as native
    # (ICAP_XFERMECH answered with a one-value 0) and delivers a DIB.
    "device_files_native_after_all": calls((DEVICE_FILES, 0, 1, 0)) +
        at(DEVICE_ENABLE_AT + 2, [SCRIPTED, 0x00, 4, 0, 0, 0] + [0] * 6),
    "wait_native_end_abort_free": calls((OPEN, 0), (WAIT_NATIVE,), (END_XFER,), (ABORT,),
                                        (FREE,)),
    "memory_no_resolution": calls((MEMORY, 0)) +
        at(MEMORY_NATIVE_AT, dib(header=NO_X_RESOLUTION | NO_Y_RESOLUTION)),
    # Three pages: 16 bits 5-6-5 in a V5 header and 32 bits 10-10-10 in a V4
    # header, without resolution, then a plain one.
    "multipage_v5_bitfields_no_resolution": calls((MULTIPAGE, 1, 0, 0)) +
        at(MULTIPAGE_ENABLE_AT, [SCRIPTED, 3, 0x01]) + [0] * 3 +
        dib(header=4 | MASKS | NO_X_RESOLUTION | NO_Y_RESOLUTION, depth=3) + [0] * 6 +
        dib(header=3 | MASKS_555 | NO_X_RESOLUTION, depth=5),
    "multipage_bitfields_555_bitmap": calls((MULTIPAGE, 2, 0, 0)) +
        at(MULTIPAGE_ENABLE_AT, [SCRIPTED, 2, 0x01]) + [0] * 3 +
        dib(header=MASKS_555, depth=3),
    # Two pages into the earlier lote.tif; the second page's end refused
    # three times: the page is merged all the same.
    "device_files_end_refused": calls((DEVICE_FILES, 0, 1 | LOTE, 0)) +
        at(DEVICE_ENABLE_AT, [SCRIPTED, 2, 0x01]) +
        at(DEVICE_SECOND_END_AT - DEVICE_ENABLE_AT - 3, [SCRIPTED + 1, 1] * 3),
    # The second page's name refused: the batch ends with one page.
    "device_files_setup_refused": calls((DEVICE_FILES, 0, 1, 0)) +
        at(DEVICE_ENABLE_AT, [SCRIPTED, 2, 0x01]) +
        at(DEVICE_SETUP_AT - DEVICE_ENABLE_AT - 3, [SCRIPTED + 1]),
    "host_modal_file_own_name": calls((HOST_MODAL, 0, 1, 3)),
    # ENABLEDS posts XFERREADY twice: the host's loop runs two batches of two
    # pages, and the first batch's pages are released by the second.
    "host_loop_two_batches": calls((HOST_LOOP, 0, 0, 0)) +
        at(HOST_ENABLE_AT, [SCRIPTED, 2, 0x02]),
}


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "corpus", "source_answers")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(bytes(b & 0xFF for b in data))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes a minimal 32-bit GUI image whose only import is a delay import of user32.dll's
GetDpiForWindow, which Windows Vista lacks: the import check must name it as for a static import.
The MinGW linker writes no delay-import descriptor of its own, so the image is made here byte by byte.

usage: delay-import-image.py OUTPUT.exe
"""
import struct
import sys

SECTION_RVA, SECTION_RAW, SECTION_SIZE = 0x1000, 0x200, 0x200
DESCRIPTOR, DLL_NAME, NAME_TABLE, ADDRESS_TABLE, HINT_NAME, MODULE = 0x1000, 0x1040, 0x1060, 0x1070, 0x1080, 0x10A0


def image():
    data = bytearray(SECTION_RAW + SECTION_SIZE)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, 0x40)
    data[0x40:0x44] = b"PE\0\0"
    # COFF header: i386, one section, a PE32 optional header, an executable image.
    struct.pack_into("<HHIIIHH", data, 0x44, 0x14C, 1, 0, 0, 0, 0xE0, 0x0102)
    optional = 0x58
    struct.pack_into("<H", data, optional, 0x10B)
    struct.pack_into("<I", data, optional + 16, SECTION_RVA)         # entry point
    struct.pack_into("<I", data, optional + 28, 0x400000)            # image base
    struct.pack_into("<II", data, optional + 32, 0x1000, 0x200)      # section and file alignment
    struct.pack_into("<HH", data, optional + 48, 6, 0)               # subsystem version: Vista
    struct.pack_into("<I", data, optional + 56, SECTION_RVA + 0x1000)  # size of image
    struct.pack_into("<I", data, optional + 60, SECTION_RAW)         # size of headers
    struct.pack_into("<H", data, optional + 68, 2)                   # GUI
    struct.pack_into("<I", data, optional + 92, 16)
    struct.pack_into("<II", data, optional + 96 + 8 * 13, DESCRIPTOR, 64)  # the delay-import directory
    section = optional + 0xE0
    struct.pack_into("<8sIIII", data, section, b".didat", 0x1000, SECTION_RVA, SECTION_SIZE, SECTION_RAW)
    struct.pack_into("<I", data, section + 36, 0xC0000040)

    def at(rva):
        return SECTION_RAW + rva - SECTION_RVA

    # One descriptor with RVAs (attribute 1), then an empty one that ends the list.
    struct.pack_into("<8I", data, at(DESCRIPTOR), 1, DLL_NAME, MODULE, ADDRESS_TABLE, NAME_TABLE, 0, 0, 0)
    data[at(DLL_NAME):at(DLL_NAME) + 11] = b"user32.dll\0"
    struct.pack_into("<II", data, at(NAME_TABLE), HINT_NAME, 0)
    struct.pack_into("<II", data, at(ADDRESS_TABLE), 0, 0)
    name = b"GetDpiForWindow\0"
    data[at(HINT_NAME) + 2:at(HINT_NAME) + 2 + len(name)] = name
    return bytes(data)


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(image())

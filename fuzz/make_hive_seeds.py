#!/usr/bin/env python3
"""Writes the hive fuzz target's seeds into fuzz/corpus/hive/; with
`--store NAME FILE`, writes seed NAME as a whole hive file instead (the store
file of scripts/run.sh's XP side).

Each seed starts as an empty hive made here (a root key and its security
record), which hivexregedit (Debian's libwin-hivex-perl) then fills with a
small boot manager store; the seed is that hive in the target's input form:
a mode byte, the root cell's offset, then the hive bins without their
trailing zeros (the target puts the base block in front and pads them).
"""
import os
import struct
import subprocess
import sys
import tempfile

BOOTMGR = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}"
NTLDR = "{466f5a88-0af2-4f76-9038-095b170dc21c}"
WIN7 = "{a1b2c3d4-0000-0000-0000-000000000007}"
WIN10 = "{a1b2c3d4-0000-0000-0000-000000000010}"


def empty_hive():
    bin_ = bytearray(4096)
    bin_[0:32] = b"hbin" + struct.pack("<III", 0, 4096, 0) + bytes(16)
    name = b"ROOT"
    nk = bytearray(0x4C + len(name))
    nk[0:4] = b"nk" + struct.pack("<H", 0x2C)  # hive entry, no delete, ASCII name
    struct.pack_into("<IIIIIIII", nk, 0x10, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0)
    struct.pack_into("<HH", nk, 0x48, len(name), 0)
    nk[0x4C:] = name
    nk_size = (len(nk) + 4 + 7) // 8 * 8
    sk_at = 0x20 + nk_size
    struct.pack_into("<I", nk, 0x2C, sk_at)  # its security record
    descriptor = struct.pack("<BBHIIII", 1, 0, 0x8000, 0, 0, 0, 0)  # self-relative, nothing set
    sk = b"sk" + struct.pack("<HIIII", 0, sk_at, sk_at, 1, len(descriptor)) + descriptor
    sk_size = (len(sk) + 4 + 7) // 8 * 8
    bin_[0x20:0x24] = struct.pack("<i", -nk_size)
    bin_[0x24:0x24 + len(nk)] = nk
    bin_[sk_at:sk_at + 4] = struct.pack("<i", -sk_size)
    bin_[sk_at + 4:sk_at + 4 + len(sk)] = sk
    free_at = sk_at + sk_size
    bin_[free_at:free_at + 4] = struct.pack("<i", 4096 - free_at)
    base = bytearray(4096)
    base[0:4] = b"regf"
    struct.pack_into("<IIQIIIIIII", base, 4, 1, 1, 0, 1, 3, 0, 1, 0x20, 4096, 1)
    checksum = 0
    for i in range(0, 508, 4):
        checksum ^= struct.unpack_from("<I", base, i)[0]
    struct.pack_into("<I", base, 508, checksum or 1)
    return bytes(base + bin_)


def utf16(text):
    return ",".join("%02x" % b for b in (text + "\0").encode("utf-16-le"))


def multi(ids):
    return ",".join("%02x" % b for b in ("\0".join(ids) + "\0\0").encode("utf-16-le"))


def store_reg(objects, order, default, sequence=None):
    lines = ["Windows Registry Editor Version 5.00", "", "[\\Objects]", ""]
    for guid, kind, name in [(BOOTMGR, 0x10100002, "Windows Boot Manager")] + objects:
        lines += ["[\\Objects\\%s]" % guid, "", "[\\Objects\\%s\\Description]" % guid, '"Type"=dword:%08x' % kind, "",
                  "[\\Objects\\%s\\Elements]" % guid, "",
                  "[\\Objects\\%s\\Elements\\12000004]" % guid, '"Element"=hex(1):' + utf16(name), ""]
    elements = {"24000001": "hex(7):" + multi(order), "23000003": "hex(1):" + utf16(default)}
    if sequence:
        elements["24000002"] = "hex(7):" + multi(sequence)
    for element, data in elements.items():
        lines += ["[\\Objects\\%s\\Elements\\%s]" % (BOOTMGR, element), '"Element"=' + data, ""]
    return "\r\n".join(lines) + "\r\n"


SEEDS = {
    "xp-and-7-ntldr-default": store_reg([(WIN7, 0x10200003, "Windows 7"), (NTLDR, 0x10300006, "Earlier Version of Windows")],
                                        [WIN7, NTLDR], NTLDR),
    "xp-and-7-seven-default": store_reg([(WIN7, 0x10200003, "Windows 7"), (NTLDR, 0x10300006, "Earlier Version of Windows")],
                                        [WIN7, NTLDR], WIN7),
    "pending-sequence": store_reg([(WIN7, 0x10200003, "Windows 7"), (WIN10, 0x10200003, "Windows 10"),
                                   (NTLDR, 0x10300006, "Earlier Version of Windows")], [WIN10, WIN7, NTLDR], NTLDR, [WIN10]),
    "empty": None,
}


def make(name, path):
    with open(path, "wb") as f:
        f.write(empty_hive())
    if SEEDS[name]:
        with open(path + ".reg", "w", newline="") as f:
            f.write(SEEDS[name])
        subprocess.run(["hivexregedit", "--merge", path, "--prefix", "", path + ".reg"], check=True)
        os.remove(path + ".reg")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--store":
        return make(sys.argv[2], sys.argv[3])
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "hive")
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory() as temp:
        for name in SEEDS:
            path = os.path.join(temp, name + ".hiv")
            make(name, path)
            data = open(path, "rb").read()
            bins_size = struct.unpack_from("<I", data, 0x28)[0]
            root = struct.unpack_from("<I", data, 0x24)[0]
            bins = data[4096:4096 + bins_size].rstrip(b"\0")
            with open(os.path.join(out, name), "wb") as f:
                f.write(bytes([0]) + struct.pack("<I", root) + bins)
            print(name, len(bins) + 5, "bytes")


if __name__ == "__main__":
    sys.exit(main())

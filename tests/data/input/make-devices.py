#!/usr/bin/env python3
"""Writes the emulated pointer devices of the libinput tests: for each, its
sysfs entry and udev properties (NAME.umockdev) and the answers to the
evdev ioctls libevdev asks when it opens the device (NAME.ioctl), in
umockdev's formats. The ioctl answers are sized as libevdev 1.13 asks
them; umockdev answers ioctls of one kind in the order they are listed."""
import struct

def bits(codes, size):
    mask = bytearray(size)
    for code in codes:
        mask[code // 8] |= 1 << (code % 8)
    return mask

def device(file, name, number, udev, events, keys, rels=(), abss=None, props=(), bus=3):
    abss = abss or {}
    node = f"event{number}"
    lines = [f"P: /devices/virtual/input/input{number}/{node}", f"N: input/{node}",
             f"E: DEVNAME=/dev/input/{node}", "E: MAJOR=13", f"E: MINOR={64 + number}",
             "E: SUBSYSTEM=input", *(f"E: {k}={v}" for k, v in udev.items()),
             f"A: dev=13:{64 + number}\\n", "",
             f"P: /devices/virtual/input/input{number}", f'E: NAME="{name}"',
             f"E: PRODUCT={bus:x}/1234/5678/1", "E: SUBSYSTEM=input", f"A: name={name}\\n", ""]
    with open(f"{file}.umockdev", "w") as out:
        out.write("\n".join(lines))
    title = name.encode() + b"\0"
    ioctls = [f"@DEV /dev/input/{node}",
              f"EVIOCGBIT 8 {bits(events, 8).hex().upper()}",
              f"EVIOCGNAME {len(title)} {title.ljust(255, bytes(1)).hex().upper()}",
              f"EVIOCGPHYS 1 {bytes(255).hex()}",
              f"EVIOCGUNIQ 1 {bytes(255).hex()}",
              f"EVIOCGID 0 {struct.pack('<4H', bus, 0x1234, 0x5678, 1).hex().upper()}",
              f"EVIOCGVERSION 0 {struct.pack('<i', 0x010001).hex().upper()}",
              f"EVIOCGPROP 8 {bits(props, 8).hex().upper()}"]
    for kind, codes, size in [(1, keys, 96), (2, rels, 8), (3, abss, 8), (0x11, (), 8),
                              (5, (), 8), (4, (), 8), (0x15, (), 16), (0x12, (), 8)]:
        ioctls.append(f"EVIOCGBIT({kind}) {size} {bits(codes, size).hex().upper()}")
    for code, (low, high, resolution) in abss.items():
        info = struct.pack("<6i", 0, low, high, 0, 0, resolution)
        ioctls.append(f"EVIOCGABS({code}) 0 {info.hex().upper()}")
    for code in sorted(c for c in abss if c > 0x2F):  # the slots' values, none touching
        values = struct.pack("<i256i", code, *([-1 if code == 0x39 else 0] * 256))
        ioctls.append(f"EVIOCGMTSLOTS 0 {values.hex().upper()}")
    ioctls += [f"EVIOCGKEY 96 {bytes(96).hex()}", f"EVIOCGLED 8 {bytes(8).hex()}",
               f"EVIOCGSW 8 {bytes(8).hex()}"]
    with open(f"{file}.ioctl", "w") as out:
        out.write("\n".join(ioctls) + "\n")

# A two-finger touchpad 100 by 67 mm at 30 units a millimetre.
PAD = {0: (0, 3000, 30), 1: (0, 2000, 30), 0x2F: (0, 1, 0), 0x35: (0, 3000, 30),
       0x36: (0, 2000, 30), 0x39: (0, 65535, 0)}
FINGERS = [0x145, 0x14A, 0x14D]  # BTN_TOOL_FINGER, BTN_TOUCH, BTN_TOOL_DOUBLETAP
TOUCHPAD = {"ID_INPUT": 1, "ID_INPUT_TOUCHPAD": 1, "ID_INPUT_TOUCHPAD_INTEGRATION": "internal"}

device("mouse", "Tonnix Test Mouse", 10, {"ID_INPUT": 1, "ID_INPUT_MOUSE": 1}, [0, 1, 2], [0x110, 0x111, 0x112], rels=[0, 1, 8])
# Separate left and right buttons.
device("touchpad", "Tonnix Test Touchpad", 11, TOUCHPAD, [0, 1, 3], [0x110, 0x111] + FINGERS, abss=PAD,
       props=[0], bus=0x18)
# One button under the whole pad (INPUT_PROP_BUTTONPAD).
device("clickpad", "Tonnix Test Clickpad", 12, TOUCHPAD, [0, 1, 3], [0x110] + FINGERS, abss=PAD,
       props=[0, 2], bus=0x18)

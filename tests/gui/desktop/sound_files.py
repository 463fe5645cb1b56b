"""Sound files for the desktop tests, made on the spot."""

import struct
import wave


def stereo_tone(path, seconds=3):
    """A 44.1 kHz stereo 16-bit PCM file."""
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(44100)
        frame = struct.pack("<hh", 3000, -3000)
        out.writeframes(frame * (44100 * seconds))


def slow_voxware(path, seconds):
    """A Voxware file that the test codec decodes at a millisecond a block (its codec bytes ask
    for that), so that its conversion lasts long enough to read the progress window."""
    blocks = seconds * 8000 // 720
    codec = bytes([0, 1, 0x8]) + bytes(13)
    fmt = struct.pack("<HHIIHHH", 0x74, 1, 8000, 300, 27, 16, 16) + codec
    data = bytes([3, 0, 0] + [1] * 12 + [255] * 12) * blocks
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"fact" + struct.pack("<II", 4, 0) + b"data" + struct.pack("<I", len(data)) + data)
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body)) + body)

# Generates the seed corpora of the fuzz targets (run once; the output is committed).
import os, random, struct, sys
root = sys.argv[1]
rng = random.Random(2024)

def palette():
    return bytes(b for _ in range(16) for b in (rng.randrange(256), rng.randrange(256), rng.randrange(256), 0))

def info(width, height, bits, used=0, size=40, compression=0):
    return struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 0, 0, used, 0)

def icon(images):
    # images: (width, height, colour count, bit count, body)
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, bodies = b'', b''
    for w, h, cc, bits, body in images:
        data = info(w, 2 * h, bits) + body
        entries += struct.pack('<BBBBHHII', w & 255, h & 255, cc, 0, 0, 0, len(data), offset + len(bodies))
        bodies += data
    return out + entries + bodies

def body(size, bits=4):
    return palette() + bytes(rng.randrange(256) for _ in range(size * size * bits // 8)) + bytes(rng.randrange(256) for _ in range(size * 4))

def bitmap(w, h, used=0, bits=4):
    row = 4 * ((w * bits + 31) // 32)
    count = used or 16
    pal = bytes(rng.randrange(256) for _ in range(4 * count))
    rows = bytes(rng.randrange(256) for _ in range(row * h))
    return b'BM' + struct.pack('<IHHI', 0, 0, 0, 54 + len(pal)) + info(w, h, bits, used) + pal + rows

def exchange(s):
    return bytes([s, 0]) + palette() + bytes(rng.randrange(256) for _ in range(512)) + bytes(rng.randrange(256) for _ in range(s * 4))

def write(target, name, data):
    d = os.path.join(root, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)

i32, i16 = (32, 32, 16, 4, body(32)), (16, 16, 16, 4, body(16))
for t in ('icon32', 'icon16'):
    write(t, 'single32.ico', icon([i32]))
    write(t, 'single16.ico', icon([i16]))
    write(t, 'both.ico', icon([i16, i32]))
    write(t, 'colour_count_2.ico', icon([(32, 32, 2, 4, body(32))]))
    write(t, 'with_256.ico', icon([(32, 32, 0, 8, body(32, 8)), i16, i32]))
write('bitmap', 'b32x32.bmp', bitmap(32, 32))
write('bitmap', 'b10x12.bmp', bitmap(10, 12))
write('bitmap', 'b9x9.bmp', bitmap(9, 9))
write('bitmap', 'used4.bmp', bitmap(20, 20, used=4))
write('bitmap', 'b1x1.bmp', bitmap(1, 1))
write('exchange', 's16.dat', exchange(16))
write('exchange', 's32.dat', exchange(32))
write('exchange', 's0.dat', exchange(0))
def profile(section, key, value, text):
    parts = [x.encode() for x in (section, key, value)]
    return bytes(len(x) for x in parts) + b''.join(parts) + text.encode()
write('profile', 'dir.txt', profile('DIR', 'OpenIcon', '/home/u/icons',
      '; settings\r\n[DIR]\r\nOpenIcon=/old\r\nLoadIcon = /l \r\n\r\n[Pattern0]\r\nCount=3\r\n'))
write('profile', 'new_section.txt', profile('Pattern1', 'Form10', '120,340,1', '[DIR]\nFavIcon="  q  "\n'))
write('profile', 'empty.txt', profile('dir', 'KEY', ' spaced ', ''))
write('profile', 'utf8.txt', profile('DIR', 'Input', '/ホーム', '\ufeff[dir]\r\ninput=ERROR\r\n'))
def work_file(size):
    # Slot images, then palettes with the reserved byte 0, then the last byte; cut or padded to `size`.
    data = bytes(rng.randrange(256) for _ in range(20 * 512)) + b''.join(palette() for _ in range(20)) + b'\0'
    return (data + bytes(max(0, size - len(data))))[:size]
write('work_file', 'full.wrk', work_file(11521))
write('work_file', 'cut.wrk', work_file(10000))
write('work_file', 'short.wrk', work_file(100))
def full_colour(size):
    return bytes(rng.randrange(256) for _ in range(3 * size * size + size * size // 8))
f32, f64 = (32, 32, 0, 24, full_colour(32)), (64, 64, 0, 24, full_colour(64))
write('full_colour_icon', 'single32.ico', icon([f32]))
write('full_colour_icon', 'single64.ico', icon([f64]))
write('full_colour_icon', 'after16.ico', icon([i32, f32]))
write('full_colour_icon', 'both.ico', icon([f64, f32]))
write('full_colour_icon', 'bits32.ico', icon([(32, 32, 0, 32, full_colour(32) + bytes(1024))]))
write('icon_directory', 'two.ico', icon([i32, f32]))
write('icon_directory', 'both.ico', icon([f64, f32]))
def cut(data, size):
    return (data + bytes(max(0, size - len(data))))[:size]
w24 = bytes(rng.randrange(256) for _ in range(61440)) + b'\0'
write('w24', 'full.w24', w24)
write('w24', 'cut_mid_pixel.w24', cut(w24, 30722))
write('w24', 'long.w24', w24 + bytes(rng.randrange(256) for _ in range(50)))
msk = bytes(rng.randrange(256) for _ in range(2560))
write('msk', 'full.msk', msk)
write('msk', 'cut.msk', cut(msk, 130))
write('msk', 'long.msk', msk + b'\xff' * 7)
def one_image(size, data):
    return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, 0, 0, len(data), 22) + data
# The larger headers other programs write, one with its rows top row first.
write('full_colour_icon', 'v5_top_down32.ico', one_image(32, info(32, -64, 24, size=124) + bytes(84) + full_colour(32)))
write('full_colour_icon', 'v4_64.ico', one_image(64, info(64, 128, 24, size=108) + bytes(68) + full_colour(64)))
import zlib
def section(tag, payload):
    head = tag + struct.pack('<I', len(payload))
    return head + struct.pack('<I', zlib.crc32(payload, zlib.crc32(head))) + payload
def fnv64(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xffffffffffffffff
    return h
def blob_entry(data):
    head = b'BLOB' + struct.pack('<QI', fnv64(data), len(data)) + data
    return head + struct.pack('<I', zlib.crc32(head))
def blob_file(*blobs):
    return b'PFB\x1a' + struct.pack('<HH', 1, 0) + b''.join(blob_entry(b) for b in blobs)
def journal(*sections):
    return b'PFJ\x1a' + struct.pack('<HH', 2, 0) + b''.join(sections)
# A fuzz input: the journal's length, the journal, then its blob file.
def fuzz_input(journal_bytes, blobs):
    return struct.pack('<H', len(journal_bytes)) + journal_bytes + blobs
def key(data):
    return struct.pack('<Q', fnv64(data))
def record():
    # Packed pixels: the form byte 1, palette, 512 bytes of two pixels each, mask.
    return b'\x01' + palette() + bytes(rng.randrange(256) for _ in range(512)) + bytes(rng.randrange(256) for _ in range(128))
name = '/home/u/アイコン.ico'.encode()
shown, older, grid = record(), record(), bytes(rng.randrange(2) for _ in range(1024))
picture = section(b'PICT', key(shown) + key(grid) + struct.pack('<iB', 3, 1) + struct.pack('<I', len(name)) + name)
# Two records, their keys in one run; the snapshot is the record on screen's pixels.
run = key(older) + key(shown)
history = section(b'HIST', struct.pack('<iiBII', 1, 1, 1, 2, 1) + key(run))
archive = section(b'ARCH', struct.pack('<BiI', 4, 2, 0) + struct.pack('<I', 2560) + key(msk))
blobs = blob_file(shown, grid, older, run, msk)
write('journal', 'picture.pfj', fuzz_input(journal(picture), blob_file(shown, grid)))
write('journal', 'all.pfj', fuzz_input(journal(picture, history, archive), blobs))
write('journal', 'cut.pfj', fuzz_input(journal(picture, history, archive), blobs[:3000]))
write('journal', 'no_blobs.pfj', fuzz_input(journal(picture, history, archive), b''))
write('journal', 'empty.pfj', fuzz_input(journal(), blob_file()))
# Palettes of other programs, one seed per format, and the grid as clipboard text.
write('foreign_palette', 'gimp.gpl', b'GIMP Palette\nName: seed\nColumns: 16\n#\n255   0   0\tRed\n  0 128 255\tBlue\n')
write('foreign_palette', 'jasc.pal', b'JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n0 0 255\r\n')
write('foreign_palette', 'hex_list.hex', b'ff0000\n00ff00\n#0000ff\n')
write('foreign_palette', 'paintnet.txt', b';paint.net Palette File\r\n;Colors: 2\r\nFFFF0000\r\nFF00FF00\r\n')
write('foreign_palette', 'counted.act', bytes(range(256)) * 3 + b'\x00\x03\xff\xff')
riff_data = struct.pack('<HH', 0x300, 2) + bytes([10, 20, 30, 0, 40, 50, 60, 0])
write('foreign_palette', 'riff.pal', b'RIFF' + struct.pack('<I', 4 + 8 + len(riff_data)) + b'PAL data' + struct.pack('<I', len(riff_data)) + riff_data)
write('grid_text', 'grid32.txt', ''.join(''.join('0123456789ABCDEF'[(x * y) & 15] for x in range(32)) + '\n' for y in range(32)).encode())
write('grid_text', 'grid16.txt', ''.join(''.join('0123456789abcdef'[(x + y) & 15] for x in range(16)) + '\r\n' for y in range(16)).encode())

#!/usr/bin/env python3
"""Builds the GPU database tables (detect/GpuDatabaseData.inc).

Inputs:
  * Debian's pci.ids (/usr/share/misc/pci.ids, package "pci.ids"): device ids,
    chip codenames and board names of NVIDIA (10de), AMD (1002), Intel (8086,
    display devices only) and S3 (5333), and the subsystem board names of the
    AMD device ids that several boards share;
  * units.csv beside this script: curated unit counts, API level and board
    power from public specifications, plus the fixed rows that open tables.

The output depends only on the inputs: rows are emitted in a fixed order
(anchored first rows, then ascending device id), so running the script twice
on the same files gives byte-identical output. Row counts per table are
printed on stdout.

Usage: gen_gpudb.py [--pci-ids FILE] [--units FILE] [--out FILE] [--check]
  --check  regenerate in memory and compare with --out; when --out was made
           from another pci.ids version, compare two fresh runs instead.
"""
import argparse
import csv
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

VENDORS = {'nvidia': 0x10DE, 'amd': 0x1002, 's3': 0x5333, 'intel': 0x8086}
TABLE_ORDER = ['nvidia', 'amd', 's3', 'intel', 'other']
TABLE_NAMES = {'nvidia': 'kGpuDbNvidia', 'amd': 'kGpuDbAmd', 's3': 'kGpuDbS3',
               'intel': 'kGpuDbIntel', 'other': 'kGpuDbOther'}

# AMD device ids whose boards are told apart by subsystem or revision text.
AMD_SHARED_IDS = [0x67DF, 0x67EF, 0x67FF, 0x699F, 0x731F, 0x7340, 0x6987, 0x73BF,
                  0x6981, 0x6FDF, 0x7300, 0x67B1, 0x687F, 0x67E8, 0x6900, 0x6939,
                  0x6811, 0x6810, 0x67B0, 0x6611, 0x665F, 0x6798, 0x679A, 0x6818,
                  0x6819, 0x665D, 0x665C, 0x6658]

# Words in a pci.ids name (outside the bracketed board name) that mark a
# function that is not a GPU: bridges, audio, USB and the like.
NOT_A_GPU = re.compile(
    r'\b(Audio|HDMI|HDA|USB|SATA|AHCI|IDE|SMBus|LPC|ISA|Ethernet|Network|Modem|'
    r'Bridge|Host|Memory|Controller|Switch|NVSwitch|Port|Root|IOMMU|Northbridge|'
    r'Southbridge|Fabric|Function|Family|Processor|Crypto|Platform|Security|'
    r'Theater|Xilleon|Decoder|Encoder|Tuner|DAIO|HBIU|Co-?processor|PCIe|PCI|'
    r'Secondary|system|SonicVibes|RAID|NVMe|Serial|UART|GPIO|I2C|SPI|Sensor|'
    r'Thermal|Management|Camera|Dummy|Virtual|Tegra\w*|Xavier|Orin|Jetson|'
    r'Multimedia|Firewire|MCP\w*|nForce\w*|CK\d+|APU|UCSI|Type-C|Sound|AC\'?97|'
    r'Trace|Hub|Interface|Express)\b', re.I)

INTEL_GRAPHICS = re.compile(
    r'Graphics|\bGT[1-4]e?\b|\bIris\b|\bUHD\b|\bArc\b|\bGMA\b|\bDG[12]\b', re.I)


def hex4(v):
    return '0x%04X' % v


def c_string(s):
    out = []
    for ch in s:
        if ch in '\\"':
            out.append('\\' + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append('?')
    return '"' + ''.join(out) + '"'


def read_pci_ids(path):
    """Returns (version, {vendor: [(device, name, [(subvendor, subdevice, name)])]})."""
    version = 'unknown'
    vendors = {}
    cur_vendor = None
    cur_device = None
    with open(path, encoding='utf-8', errors='replace') as f:
        for raw in f:
            line = raw.rstrip('\n')
            m = re.match(r'#\s*Version:\s*(\S+)', line)
            if m:
                version = m.group(1)
                continue
            if not line or line.startswith('#'):
                continue
            if line.startswith('C '):
                break
            if not line.startswith('\t'):
                m = re.match(r'([0-9a-fA-F]{4})\s+', line)
                cur_vendor = int(m.group(1), 16) if m else None
                cur_device = None
                continue
            if cur_vendor not in VENDORS.values():
                continue
            if line.startswith('\t\t'):
                m = re.match(r'\t\t([0-9a-fA-F]{4})\s+([0-9a-fA-F]{4})\s+(.*)$', line)
                if m and cur_device is not None:
                    cur_device[2].append((int(m.group(1), 16), int(m.group(2), 16),
                                          m.group(3).strip()))
                continue
            m = re.match(r'\t([0-9a-fA-F]{4})\s+(.*)$', line)
            if m:
                cur_device = (int(m.group(1), 16), m.group(2).strip(), [])
                vendors.setdefault(cur_vendor, []).append(cur_device)
    return version, vendors


def split_name(name):
    """'AD102 [GeForce RTX 4090]' -> ('AD102', 'GeForce RTX 4090', '')."""
    m = re.match(r'^(.*?)\s*\[(.*)\]\s*(.*)$', name)
    if m:
        return m.group(1).strip(), m.group(2).strip(), m.group(3).strip()
    return name.strip(), '', ''


def is_gpu(vendor, name):
    codename, board, rest = split_name(name)
    outside = (codename + ' ' + rest).strip()
    if vendor == 'intel':
        if not INTEL_GRAPHICS.search(name):
            return False
        outside = re.sub(r'(Integrated\s+)?Graphics(\s+(Controller|Device))?', '', outside, flags=re.I)
        return not NOT_A_GPU.search(outside) and not re.search(r'Audio|USB', board, re.I)
    if NOT_A_GPU.search(outside) or re.search(r'\bAudio\b|\bUSB\b', board, re.I):
        return False
    return True


def nvidia_api(codename):
    c = codename.upper()
    if re.match(r'^NV[12]\d', c):
        return 80
    if re.match(r'^(NV[34]\d|G7\d|C51|C61|C67|C68)', c):
        return 90
    if re.match(r'^(G8\d|G9\d|GT2\d\d|C7\d|ION|MCP7)', c):
        return 100
    if re.match(r'^(GF|GK|GM|GP|GV|TU|GA|GH|AD|GN)\d', c):
        return 110
    return -1


def amd_api(codename):
    c = codename.upper()
    if re.match(r'^(R1\d\d|RV1\d\d|RV2\d\d|R2\d\d|RS1\d\d|RS2\d\d|RC4\d\d)', c):
        return 80
    if re.match(r'^(R3\d\d|RV3\d\d|R4\d\d|RV4\d\d|R5\d\d|RV5\d\d|RS4\d\d|RS48\d|RS6\d\d|RS690)', c):
        return 90
    if re.match(r'^(R6\d\d|RV6\d\d|RV7\d\d|RS7\d\d|RS780|RS880)', c):
        return 100
    if re.match(r'^(CYPRESS|HEMLOCK|JUNIPER|REDWOOD|CEDAR|BARTS|CAYMAN|ANTILLES|TURKS|CAICOS|'
                r'TAHITI|PITCAIRN|CAPE|OLAND|BONAIRE|HAWAII|TONGA|FIJI|ELLESMERE|BAFFIN|LEXA|'
                r'POLARIS|VEGA|NAVI|KAVERI|KABINI|MULLINS|CARRIZO|STONEY|RAVEN|PICASSO|RENOIR|'
                r'CEZANNE|REMBRANDT|RAPHAEL|PHOENIX|BARCELO|LUCIENNE|VANGOGH|MENDOCINO|CURACAO|'
                r'TRINIDAD|GRENADA|TOBAGO|TOPAZ|MESO|SUN|HAINAN|EXO|VENUS|SATURN|NEPTUNE|'
                r'WIMBLEDON|HEATHROW|CHELSEA|MARS|ARUBA|TRINITY|RICHLAND|SUMO|WRESTLER|'
                r'ONTARIO|ZACATE|BROADWAY|MADISON|PARK|WHISTLER|BLACKCOMB|SEYMOUR|'
                r'VANCOUVER|AMETHYST|STRATO|ARCTURUS|ALDEBARAN|KRYPTOS|WANI)', c):
        return 110
    return -1


def amd_brand(codename):
    if re.match(r'^(R\d|RV\d|RS\d|RC\d|M\d|Rage|Mach|Xpress|3D Rage|\d{6})', codename, re.I):
        return 'ATI '
    return 'AMD '


def short_board(board):
    s = board
    for prefix in ('GeForce ', 'Geforce ', 'Radeon ', 'Intel '):
        if s.startswith(prefix):
            s = s[len(prefix):]
            break
    return s


class Row:
    __slots__ = ('device', 'codename', 'short', 'full', 'api', 'unified', 'vertex',
                 'pixel', 'tmus', 'rops', 'tdp', 'note')

    def __init__(self, device, codename, short, full, api=-1, unified=-1, vertex=-1,
                 pixel=-1, tmus=-1, rops=-1, tdp=-1, note='pci.ids'):
        self.device = device
        self.codename = codename
        self.short = short
        self.full = full
        self.api = api
        self.unified = unified
        self.vertex = vertex
        self.pixel = pixel
        self.tmus = tmus
        self.rops = rops
        self.tdp = tdp
        self.note = note

    def set_units(self, u):
        (self.api, self.unified, self.vertex, self.pixel, self.tmus, self.rops,
         self.tdp) = u

    def c(self):
        dev = '-1' if self.device < 0 else hex4(self.device)
        return '    {%s, 0, %s, %s, %s, %d, %d, %d, %d, %d, %d, %d}, // %s' % (
            dev, c_string(self.codename), c_string(self.short), c_string(self.full),
            self.api, self.unified, self.vertex, self.pixel, self.tmus, self.rops,
            self.tdp, self.note)


def parse_int(text, field, lineno):
    text = text.strip()
    try:
        return int(text, 0)
    except ValueError:
        sys.exit('units.csv:%d: bad %s %r' % (lineno, field, text))


def read_units(path):
    rows = []
    with open(path, encoding='utf-8', newline='') as f:
        lines = [l for l in f if l.strip() and not l.lstrip().startswith('#')]
    reader = csv.reader(lines, skipinitialspace=True)
    header = None
    for n, rec in enumerate(reader, 1):
        rec = [x.strip() for x in rec]
        if header is None:
            header = rec
            continue
        if len(rec) != len(header):
            sys.exit('units.csv: record %d has %d fields, want %d: %r'
                     % (n, len(rec), len(header), rec))
        d = dict(zip(header, rec))
        if d['vendor'] not in TABLE_ORDER:
            sys.exit('units.csv: record %d: unknown vendor %r' % (n, d['vendor']))
        d['device'] = parse_int(d['device'], 'device', n)
        d['units'] = tuple(parse_int(d[k], k, n) for k in
                           ('api', 'unified', 'vertex', 'pixel', 'tmus', 'rops', 'tdp'))
        if not d['source']:
            sys.exit('units.csv: record %d has no source' % n)
        rows.append(d)
    return rows


def board_matches(token, name):
    return re.search(r'(?<![A-Za-z0-9])' + re.escape(token) + r'(?![A-Za-z0-9])', name) is not None


def build(pci_path, units_path):
    version, pci = read_pci_ids(pci_path)
    units = read_units(units_path)
    tables = {}
    for vname in TABLE_ORDER:
        vid = VENDORS.get(vname)
        first = [u for u in units if u['vendor'] == vname and u['select'] == 'first']
        first_rows = [Row(u['device'], u['codename'], u['short_name'], u['full_name'],
                          *u['units'], note=u['source']) for u in first]
        first_ids = {r.device for r in first_rows if r.device >= 0}
        device_units = {}
        boards = {}
        explicit = {}
        unknown_ids = []
        for u in units:
            if u['vendor'] != vname or u['select'] == 'first':
                continue
            sel = u['select']
            if sel == '' and u['device'] < 0:
                unknown_ids.append(u)
            elif sel == '':
                if u['device'] in device_units:
                    sys.exit('units.csv: %s %s listed twice' % (vname, hex4(u['device'])))
                device_units[u['device']] = u
            elif sel.startswith('board:'):
                boards.setdefault(u['device'], []).append((sel[6:], u))
            elif sel.startswith('sub:') or sel.startswith('rev:'):
                explicit.setdefault(u['device'], []).append(u)
            else:
                sys.exit('units.csv: unknown select %r' % sel)

        rows = {}  # device id -> list of rows, in order

        def add(dev, row):
            rows.setdefault(dev, []).append(row)

        for dev, name, subs in (pci.get(vid, []) if vid else []):
            if dev in first_ids or not is_gpu(vname, name):
                continue
            codename, board, _ = split_name(name)
            if vname == 'intel' and not board:
                # Names without a bracketed board: either a bare codename
                # ("AlderLake-S GT1") or a board description.
                if re.search(r'\bGT[1-4]e?\b', codename) and 'Graphics' not in codename:
                    board = ''
                else:
                    board, codename = codename, ''
            if vname == 'intel':
                board = re.sub(r'\s*Integrated Graphics( Controller| Device)?$', ' Graphics', board).strip()
            board = board.replace('Geforce', 'GeForce')
            if vname == 'nvidia':
                api = nvidia_api(codename)
                full = 'NVIDIA ' + board if board else ''
            elif vname == 'amd':
                api = amd_api(codename)
                full = amd_brand(codename) + board if board else ''
            elif vname == 'intel':
                api = -1
                full = 'Intel ' + board if board else ''
            else:
                api = -1
                full = 'S3 Graphics ' + board if board else ''
            base = Row(dev, codename, short_board(board), full, api=api)
            if vname == 'amd' and dev in AMD_SHARED_IDS:
                # One row per board whose subsystem names it without doubt; no
                # catch-all row, so an unknown board is not given a wrong name.
                for u in explicit.pop(dev, []):
                    add(dev, Row(dev, u['codename'] or codename, u['select'][4:],
                                 u['full_name'], *u['units'], note=u['source']))
                seen = set()
                for subv, subd, subname in sorted(subs, key=lambda s: (s[1], s[0])):
                    if '/' in subname:
                        continue
                    best = None
                    for token, u in boards.get(dev, []):
                        if board_matches(token, subname) and (best is None or len(token) > len(best[0])):
                            best = (token, u)
                    if best is None:
                        continue
                    text = '%04X%04X' % (subd, subv)
                    if text in seen:
                        continue
                    seen.add(text)
                    u = best[1]
                    add(dev, Row(dev, u['codename'] or codename, text, u['full_name'],
                                 *u['units'], note='pci.ids subsystem; ' + u['source']))
                continue
            u = device_units.pop(dev, None)
            if u is not None:
                base.codename = u['codename'] or base.codename
                base.short = u['short_name'] or base.short
                base.full = u['full_name'] or base.full
                base.set_units(u['units'])
                base.note = 'pci.ids; ' + u['source']
            add(dev, base)

        # Curated rows whose ids this pci.ids does not know yet.
        for dev, u in device_units.items():
            add(dev, Row(dev, u['codename'], u['short_name'], u['full_name'], *u['units'],
                         note=u['source']))
        for dev, lst in explicit.items():
            for u in lst:
                add(dev, Row(dev, u['codename'], u['select'][4:], u['full_name'], *u['units'],
                             note=u['source']))

        for u in unknown_ids:
            add(-1, Row(-1, u['codename'], u['short_name'], u['full_name'], *u['units'],
                        note=u['source']))

        ordered = list(first_rows)
        for dev in sorted(d for d in rows if d >= 0):
            ordered.extend(rows[dev])
        ordered.extend(rows.get(-1, []))
        tables[vname] = ordered
    return version, tables


def render(version, tables):
    out = []
    out.append('// Generated by tools/gpudb/gen_gpudb.py from pci.ids version %s' % version)
    out.append('// and tools/gpudb/units.csv. Do not edit: change the inputs and rerun.')
    out.append('// Each row: device id, 0, codename, short name, full name, API level x10,')
    out.append('// unified, vertex and pixel shaders, TMUs, ROPs, board power (W).')
    out.append('// Each table ends with an all-zero row.')
    for vname in TABLE_ORDER:
        out.append('')
        out.append('static const GpuDatabaseEntry %s[] = {' % TABLE_NAMES[vname])
        for r in tables[vname]:
            out.append(r.c())
        out.append('    {0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0},')
        out.append('};')
    return '\n'.join(out) + '\n'


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--pci-ids', default='/usr/share/misc/pci.ids')
    ap.add_argument('--units', default=os.path.join(HERE, 'units.csv'))
    ap.add_argument('--out', default=os.path.join(ROOT, 'detect', 'GpuDatabaseData.inc'))
    ap.add_argument('--check', action='store_true')
    args = ap.parse_args()
    if not os.path.exists(args.pci_ids):
        sys.stderr.write('%s not found (Debian package "pci.ids")\n' % args.pci_ids)
        return 77 if args.check else 1
    version, tables = build(args.pci_ids, args.units)
    text = render(version, tables)
    for vname in TABLE_ORDER:
        t = tables[vname]
        print('%-7s %4d rows, %3d with unit counts, %3d without a device id'
              % (vname, len(t), sum(1 for r in t if r.unified >= 0 or r.pixel >= 0),
                 sum(1 for r in t if r.device < 0)))
    if args.check:
        again = render(*build(args.pci_ids, args.units))
        if again != text:
            print('generator output differs between two runs')
            return 1
        try:
            with open(args.out, encoding='utf-8') as f:
                committed = f.read()
        except OSError:
            print('%s missing' % args.out)
            return 1
        if ('pci.ids version %s\n' % version) not in committed.split('\n', 1)[0] + '\n':
            print('%s was made from another pci.ids version; checked determinism only' % args.out)
            return 0
        if committed != text:
            print('%s is out of date: rerun tools/gpudb/gen_gpudb.py' % args.out)
            return 1
        print('%s is up to date' % args.out)
        return 0
    with open(args.out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(text)
    print('wrote %s (pci.ids %s)' % (args.out, version))
    return 0


if __name__ == '__main__':
    sys.exit(main())

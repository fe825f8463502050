"""Checks of edited PE files through pefile, shared by the cross-check scripts."""
import pefile

RESOURCE = pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_RESOURCE']
SECURITY = pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_SECURITY']
BASERELOC = pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_BASERELOC']


def name_text(entry):
    return str(entry.name) if entry.name is not None else '#%d' % entry.id


def load(path):
    """pefile's view of the headers and the resource tree, and the file's bytes."""
    with open(path, 'rb') as f:
        data = f.read()
    pe = pefile.PE(data=data, fast_load=True)
    pe.parse_data_directories(directories=[RESOURCE])
    return pe, data


def pefile_entries(pe, data):
    """(type, name, language, size, file offset, bytes) in directory order."""
    out = []
    root = getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None)
    if root is None:
        return out
    for t in root.entries:
        for n in t.directory.entries:
            for l in n.directory.entries:
                s = l.data.struct
                offset = pe.get_offset_from_rva(s.OffsetToData) if s.Size else 0
                out.append((name_text(t), name_text(n), l.id, s.Size, offset, data[offset:offset + s.Size]))
    return out


def checksum(pe, data):
    """The image checksum, computed independently of our code: the 16-bit words modulo 65535
    (2^16 is 1 modulo 65535, so the file read as one little-endian number gives the same
    residue), then the length added. Agrees with pefile's generate_checksum (slow on big files)."""
    field = pe.OPTIONAL_HEADER.get_file_offset() + 64
    words = int.from_bytes(data[:field] + b'\0\0\0\0' + data[field + 4:], 'little') % 65535
    return ((words or 0xFFFF) + len(data)) & 0xFFFFFFFF


def resource_section(pe):
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[RESOURCE].VirtualAddress
    for i, s in enumerate(pe.sections):
        if rva and s.VirtualAddress <= rva < s.VirtualAddress + max(s.Misc_VirtualSize, s.SizeOfRawData):
            return i
    return None


def raw_end(pe):
    return max([s.PointerToRawData + s.SizeOfRawData for s in pe.sections if s.SizeOfRawData] + [0])


def check_image(pe, data):
    """A consistent image: checksum, alignment, SizeOfImage, raw data inside the file."""
    problems = []
    if pe.OPTIONAL_HEADER.CheckSum != checksum(pe, data):
        problems.append('checksum %#x, should be %#x' % (pe.OPTIONAL_HEADER.CheckSum, checksum(pe, data)))
    sa = pe.OPTIONAL_HEADER.SectionAlignment
    fa = pe.OPTIONAL_HEADER.FileAlignment
    prev_v = 0
    for s in pe.sections:
        if s.VirtualAddress % sa or s.VirtualAddress < prev_v:
            problems.append('section %r misplaced' % s.Name)
        if s.SizeOfRawData and (s.PointerToRawData % fa or s.SizeOfRawData % fa or
                                s.PointerToRawData + s.SizeOfRawData > len(data)):
            problems.append('section %r raw data misplaced' % s.Name)
        prev_v = s.VirtualAddress + (s.Misc_VirtualSize or s.SizeOfRawData)
    if pe.OPTIONAL_HEADER.SizeOfImage != (prev_v + sa - 1) // sa * sa:
        problems.append('SizeOfImage %#x, sections end at %#x' % (pe.OPTIONAL_HEADER.SizeOfImage, prev_v))
    r = resource_section(pe)
    if r is not None:
        s = pe.sections[r]
        d = pe.OPTIONAL_HEADER.DATA_DIRECTORY[RESOURCE]
        if d.VirtualAddress + d.Size > s.VirtualAddress + s.Misc_VirtualSize:
            problems.append('the resource directory reaches past its section')
    return problems


def check_outside(orig_pe, orig, new_pe, new):
    """Every byte outside the resource section is kept (sections behind it may have moved);
    the headers differ only in the fields that follow the layout."""
    problems = []
    r = resource_section(orig_pe)
    for i, s in enumerate(orig_pe.sections):
        if i == r or s.SizeOfRawData == 0:
            continue
        t = new_pe.sections[i]
        a = orig[s.PointerToRawData:s.PointerToRawData + s.SizeOfRawData]
        b = new[t.PointerToRawData:t.PointerToRawData + t.SizeOfRawData]
        if a != b or s.Name != t.Name or s.Characteristics != t.Characteristics or s.Misc_VirtualSize != t.Misc_VirtualSize:
            problems.append('section %r changed' % s.Name)

    def masked(pe, data):
        h = bytearray(data[:pe.sections[0].PointerToRawData])
        opt = pe.OPTIONAL_HEADER.get_file_offset()
        for field in (56, 64, 8):  # SizeOfImage, CheckSum, SizeOfInitializedData
            h[opt + field:opt + field + 4] = b'\0\0\0\0'
        for d in (RESOURCE, SECURITY):
            e = pe.OPTIONAL_HEADER.DATA_DIRECTORY[d].get_file_offset()
            h[e:e + 8] = b'\0' * 8
        e = pe.OPTIONAL_HEADER.DATA_DIRECTORY[BASERELOC].get_file_offset()
        h[e:e + 4] = b'\0' * 4
        fh = pe.FILE_HEADER.get_file_offset()
        h[fh + 2:fh + 4] = b'\0\0'    # NumberOfSections
        h[fh + 8:fh + 12] = b'\0' * 4  # PointerToSymbolTable
        for s in pe.sections:
            o = s.get_file_offset()
            h[o:o + 40] = b'\0' * 40  # compared above
        return bytes(h)
    if masked(orig_pe, orig) != masked(new_pe, new):
        problems.append('headers changed beyond the layout fields')
    old_overlay = orig[raw_end(orig_pe):]
    cert = orig_pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    if cert.Size:
        start = cert.VirtualAddress - raw_end(orig_pe)
        old_overlay = old_overlay[:start] + old_overlay[start + cert.Size:]
    if old_overlay != new[raw_end(new_pe):]:
        problems.append('overlay changed')
    return problems

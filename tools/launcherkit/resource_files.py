"""The files of a resource folder, made again from an executable's own resources: a bitmap gets back the
14-byte file header the resource compiler dropped, an icon its file directory from the icon group and
the group's images; a sound is stored whole. So a built launcher's resources can be held to the same
required forms as the files it was built from."""

import os
import struct

from launcherkit import KitError, resource_table, write_if_changed

BITMAP_FILE_HEADER = 14


class ResourceMissing(KitError):
    pass


def colour_table_entries(header):
    """Entries of the colour table after a 40-byte bitmap header, as drawing the picture counts them."""
    bit_count, clr_used = struct.unpack_from("<H", header, 14)[0], struct.unpack_from("<I", header, 32)[0]
    if clr_used:
        return clr_used & 0xFFFF
    return {1: 2, 4: 16, 8: 256}.get(bit_count, 0)


def bitmap_file(data):
    """A .bmp file from a bitmap resource (header, colour table, pixels)."""
    header_size = struct.unpack_from("<I", data, 0)[0] if len(data) >= 4 else 0
    table = 4 * colour_table_entries(data) if len(data) >= 40 else 0
    offset = BITMAP_FILE_HEADER + header_size + table
    return b"BM" + struct.pack("<IHHI", BITMAP_FILE_HEADER + len(data), 0, 0, offset) + data


def icon_file(group, image_of):
    """A .ico file from an icon group resource and `image_of(id)`, the icon image resources it names."""
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    entries, images = [], []
    offset = 6 + 16 * count
    for i in range(count):
        fields = group[6 + 14 * i:6 + 14 * i + 12]
        image_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
        image = image_of(image_id)
        entries.append(fields[:8] + struct.pack("<II", len(image), offset))
        images.append(image)
        offset += len(image)
    return struct.pack("<HHH", reserved, kind, count) + b"".join(entries) + b"".join(images)


def write_resource_folder(executable, folder):
    """Writes the files of the table of resources, made from `executable`'s resources, into `folder`; raises
    ResourceMissing naming the first resource the executable lacks."""
    def resource(type_, id_):
        data = executable.resource(type_, id_)
        if data is None:
            raise ResourceMissing("%s %d" % (type_, id_))
        return data

    for entry in resource_table.read().entries:
        if entry.kind == "ICON":
            data = icon_file(resource("GROUP_ICON", entry.id), lambda image_id: resource("ICON", image_id))
        else:
            data = resource(entry.kind, entry.id)
            data = bitmap_file(data) if entry.kind == "BITMAP" else data
        write_if_changed(os.path.join(folder, entry.path), data)

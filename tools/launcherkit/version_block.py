"""The launcher's version block (resources/version.rc) as the resource compiler lays it out, to know before
the build whether the profile's texts fit it. Every node starts with its length as a 16-bit number, the whole
block's included, so the block holds at most 65535 bytes (a longer one is written with its length cut to 16
bits, and readers then see a corrupt block). A node is its 6-byte header, its key in UTF-16 with a terminator,
padding to 4 bytes, its value, then its children, each on a 4-byte boundary; its length leaves out the padding
after its last child. Every Windows-1252 character is one UTF-16 unit.
"""

MAX_SIZE = 65535

# The string table of resources/version.rc in its order: (name in the block, profile key). The version
# numbers' texts are written as "1, 0, 0, 1".
STRINGS = [("CompanyName", "company_name"), ("FileDescription", "file_description"),
           ("FileVersion", "file_version"), ("InternalName", "internal_name"),
           ("LegalCopyright", "legal_copyright"), ("OriginalFilename", "original_filename"),
           ("ProductName", "version_product_name"), ("ProductVersion", "product_version")]
NUMBERS = ("file_version", "product_version")
# The string table's key, its language and code page in eight hex digits ("040904b0"): only its length counts.
STRING_TABLE_KEY = "0" * 8
FIXED_INFO_BYTES = 52  # VS_FIXEDFILEINFO
TRANSLATION_BYTES = 4  # one language and code page


def number_text(version):
    """The text of a version "1.0.0.1" as the block shows it: "1, 0, 0, 1"."""
    return ", ".join(str(int(part)) for part in version.split("."))


def texts(values):
    """{name in the block: text} for a profile's values."""
    return {name: number_text(values[key]) if key in NUMBERS else values[key] for name, key in STRINGS}


def node_size(key, value_bytes, children=()):
    """The length of a node with that key, value and children's lengths."""
    size = (6 + 2 * (len(key) + 1) + 3) // 4 * 4 + value_bytes
    for child in children:
        size = (size + 3) // 4 * 4 + child
    return size


def size(block_texts):
    """The length in bytes of the version block holding `block_texts` ({name: text})."""
    strings = [node_size(name, 2 * (len(text) + 1)) for name, text in block_texts.items()]
    string_info = node_size("StringFileInfo", 0, [node_size(STRING_TABLE_KEY, 0, strings)])
    var_info = node_size("VarFileInfo", 0, [node_size("Translation", TRANSLATION_BYTES)])
    return node_size("VS_VERSION_INFO", FIXED_INFO_BYTES, [string_info, var_info])


def longest_fitting(block_texts, key):
    """How many characters the text of profile `key` may have, the other texts as they are."""
    name = next(name for name, k in STRINGS if k == key)
    others = dict(block_texts, **{name: ""})
    spare = MAX_SIZE - size(others)
    # The text's bytes count in steps of 4 (the padding after it), so try the count the spare bytes give
    # and the few below it.
    length = max(spare // 2, 0)
    while length > 0 and size(dict(others, **{name: "x" * length})) > MAX_SIZE:
        length -= 1
    return length

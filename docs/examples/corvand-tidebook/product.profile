# An example product in English, made up to show the launcher built for a product in another language than
# the shipped one: "Corvand Tidebook" by "Corvand Press Ltd" does not exist. Built by
#   scripts/make-medium.sh --profile docs/examples/corvand-tidebook/product.profile
# Its masters were drawn by
#   tools/kit art make --profile docs/examples/corvand-tidebook/product.profile --plain '#1F5A7A'
# which also wrote the pictures, sounds and icon in this folder. Folders are relative to this file.

product_name = Corvand Tidebook
uninstall_guid = {C9340E1D-1A7B-4F52-8190-20B9465BD4D7}
setup_program = TIDEBOOK.EXE
# Every resource and the version block in English (United States); the buttons' captions and the welcome
# are English's own: "Install", "Remove", "Browse CD", "Cancel".
language = en-US

company_name = Corvand Press Ltd
file_description = Corvand Tidebook – Start Menu
file_version = 3.1.0.4
product_version = 3.1.0.0
legal_copyright = © 2025 Corvand Press Ltd (fictitious)
internal_name = CTSTART
original_filename = CTSTART.EXE
version_product_name = Corvand Tidebook

art_masters = art/masters
# No sound sources: the synthesised chime and click, as for the shipped product.
sound_sources = sounds/sources
resource_folder = .
tagline = Tides, charts and harbours of the North Sea.

volume_name = CORVAND_TIDEBOOK
autorun_label = Corvand Tidebook
autorun_action = Open Corvand Tidebook

# An example product, made up to show the launcher built for a product other than the shipped one:
# "Zyndra Atlas" by "Zyndra Musterverlag GmbH" does not exist. Built by
#   scripts/make-medium.sh --profile docs/examples/zyndra-atlas/product.profile
# Its masters were drawn by
#   tools/kit art make --profile docs/examples/zyndra-atlas/product.profile --plain '#8A3A12'
# which also wrote the pictures, sounds and icon in this folder. Folders are relative to this file.

product_name = Zyndra Atlas
uninstall_guid = {0E7A4C19-3D52-4B8E-9F21-6C0D8B5A7E43}
setup_program = ZATLAS.EXE

company_name = Zyndra Musterverlag GmbH
file_description = Zyndra Atlas – Startprogramm
file_version = 2.3.0.17
product_version = 2.3.0.0
legal_copyright = © 2025 Zyndra Musterverlag GmbH (fiktiv)
internal_name = ZSTART
original_filename = ZSTART.EXE
version_product_name = Zyndra Atlas

art_masters = art/masters
# No sound sources: the synthesised chime and click, as for the shipped product.
sound_sources = sounds/sources
resource_folder = .

volume_name = ZYNDRA_ATLAS
autorun_label = Zyndra Atlas
autorun_action = Zyndra Atlas öffnen

# The product's files on the disc beside the start-up files: a manual and a data file.
content_folder = content

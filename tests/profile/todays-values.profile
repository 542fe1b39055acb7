# The launcher's product values as they stood before the product profile existed, written out by hand
# from that version's sources (launcher_state.cpp, install_probe.cpp, path_rules.cpp, launcher.rc) and
# from its art folders. A launcher built from this file must be byte-identical to one built from
# resources/product.profile (CTest: profile.default_is_todays). Folders are relative to this file.
product_name = Qelvar Lumivane
uninstall_guid = {5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205}
setup_program = SETUP32.EXE
company_name = Qelvar Software GmbH
file_description = Qelvar Lumivane Startprogramm
file_version = 1.0.0.1
product_version = 1.0.0.1
legal_copyright = Copyright (C) 2024 Qelvar Software GmbH
internal_name = LAUNCH
original_filename = LAUNCH.EXE
version_product_name = Qelvar Lumivane
art_masters = ../../resources/art/masters
sound_sources = ../../resources/sounds/sources
resource_folder = ../../resources
volume_name = QELVAR_LUMIVANE
autorun_label = Qelvar Lumivane
autorun_action = Startprogramm von Qelvar Lumivane ausführen

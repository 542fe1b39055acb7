# The product the launcher, its resources and its medium are built for.
#
# Every value is compiled into LAUNCH.EXE or written onto the medium; the launcher reads no settings
# when it runs. Lines are "key = value"; lines starting with # are comments. Texts are in the ANSI code
# page Windows-1252 (the file itself is UTF-8). Folders are relative to this file's folder.
# Another product: copy this file (see "Your own product" in the README), then
#   cmake --preset windows -DLAUNCHER_PROFILE=FILE     the launcher alone
#   scripts/make-medium.sh --profile FILE              launcher, AUTORUN.INF and image

# The launcher window's class name and title (at most 255 characters).
product_name = Qelvar Lumivane
# The product's key in the uninstall list, HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{...}:
# while it holds an UninstallString, the first button removes the product instead of installing it.
uninstall_guid = {5C2D9A41-7B3E-4F18-A6D0-93E1B7C4F205}
# The setup program beside the launcher that the install button starts: an 8.3 name in capitals ending
# in .EXE, other than the launcher's.
setup_program = SETUP32.EXE
# The language of the launcher's resources and version block, a Windows language tag: one whose ANSI code
# page is Windows-1252 (de-DE, en-US, en-GB, fr-FR, es-ES, it-IT, nl-NL, pt-BR, sv-SE, da-DK, nb-NO, fi-FI
# and the others of Western Europe). It also chooses the default captions and welcome of drawn art.
language = de-DE

# The version block (the file's properties). Neither the launcher's file name nor these texts may hold
# "install", "setup", "update" or "patch": Windows would take the launcher for an installer.
company_name = Qelvar Software GmbH
file_description = Qelvar Lumivane Startprogramm
file_version = 1.0.0.1
product_version = 1.0.0.1
legal_copyright = Copyright (C) 2024 Qelvar Software GmbH
internal_name = LAUNCH
# Also the launcher's file name on the medium, which AUTORUN.INF starts: an 8.3 name in capitals ending
# in .EXE.
original_filename = LAUNCH.EXE
version_product_name = Qelvar Lumivane

# Art and sounds: tools/kit art make --profile FILE reads the masters and sound sources and writes the
# pictures, sounds and icon into the resource folder, which the build compiles in.
art_masters = art/masters
sound_sources = sounds/sources
resource_folder = .
# The texts make-art draws when it draws a master that is missing: the buttons' captions (each must fit its
# button; " | " breaks a line), and on a drawn background the welcome, the copyright line and the line under
# the product's name. Without them: the language's own captions and welcome, the version block's copyright
# and no tagline.
caption_install = installieren
caption_remove = entfernen
caption_browse = CD | durchsuchen
caption_cancel = abbrechen
welcome_line = Willkommen! Installieren Sie Qelvar Lumivane | auf Ihrem Computer oder sehen Sie sich | den Inhalt dieser CD an.
copyright_line = Version 1.0   ·   © 2024 Qelvar Software GmbH
tagline = Licht, das Ihre Ideen sichtbar macht.

# The medium: its volume name (at most 16 of A-Z 0-9 _, also the image's file name), and the texts
# Windows XP SP2 and later show for the disc: the drive's label and the AutoPlay entry.
volume_name = QELVAR_LUMIVANE
autorun_label = Qelvar Lumivane
autorun_action = Startprogramm von Qelvar Lumivane ausführen

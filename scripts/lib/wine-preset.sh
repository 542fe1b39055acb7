# Sourced by the scripts that build and run the launcher under Wine: which build this host can run.
# Some virtual machines cannot execute 32-bit code at all, so no 32-bit Wine starts there, and a package
# mirror without its i386 index leaves 32-bit Wine (wine32) uninstalled (scripts/install-deps.sh says so);
# either way the same sources built for 64-bit Windows stand in for LAUNCH.EXE under Wine.
#   LAUNCHER_PRESET      windows (32-bit, LAUNCH.EXE itself) or windows-x64
#   LAUNCHER_WINE_ARCH   win32 or win64
#   LAUNCHER_HOST_NOTE   one line saying which, for the scripts to print
if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed" &&
   /usr/lib/wine/wine --version >/dev/null 2>&1; then
  LAUNCHER_PRESET=windows
  LAUNCHER_WINE_ARCH=win32
  LAUNCHER_HOST_NOTE="32-bit Wine runs here; the Wine-based tests run LAUNCH.EXE itself"
else
  LAUNCHER_PRESET=windows-x64
  LAUNCHER_WINE_ARCH=win64
  LAUNCHER_HOST_NOTE="32-bit Wine is not installed or cannot run here, so it cannot start LAUNCH.EXE; the same sources built for 64-bit Windows (preset windows-x64) stand in for it under Wine"
fi

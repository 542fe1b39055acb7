/* Setup program placeholder for test media, under the product profile's setup_program name: pressing
 * "install" on a test medium starts this, and it says so in a message box instead of installing anything.
 * Built without a C runtime, linked as the launcher is (cmake/WindowsBuild.cmake). MessageBoxW, one of the
 * few wide-character calls Windows 95 and 98 offer, shows the umlauts whatever the code page. */
#include <windows.h>

#include "product_profile.h"

static const wchar_t placeholderText[] =
    L"Platzhalter: Hier geh\u00f6rt das Setup-Programm des Produkts hin (" PRODUCT_SETUP_PROGRAM L").\n"
    L"Dieser Datentr\u00e4ger ist ein Testdatentr\u00e4ger; es wird nichts installiert.\n"
    L"\n"
    L"Placeholder: the product's setup program (" PRODUCT_SETUP_PROGRAM L") belongs here.\n"
    L"This is a test medium; nothing will be installed.";

static const wchar_t placeholderTitle[] = PRODUCT_NAME_WIDE L" \u2013 Platzhalter / Placeholder";

void __stdcall Entry(void)
{
    MessageBoxW(NULL, placeholderText, placeholderTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    ExitProcess(0);
}

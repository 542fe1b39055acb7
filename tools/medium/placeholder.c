/* Setup program placeholder for test media, under the product profile's setup_program name.
 *
 * A medium built without the product's setup program carries this program in its place, so that a
 * burned test medium says plainly what it is: pressing "install" on the launcher starts this, and it
 * shows a message box instead of installing anything.
 *
 * Built without a C runtime, linked as the launcher is (cmake/WindowsBuild.cmake): the entry point below
 * is the whole program.
 * MessageBoxW is one of the few wide-character calls that Windows 95 and 98 also offer, so the German
 * umlaut shows correctly whatever the system's code page is. The product's name and its setup program's
 * (an 8.3 name, plain ASCII) come from the product profile's generated header. */
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

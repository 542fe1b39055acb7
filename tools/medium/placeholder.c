/* SETUP32.EXE placeholder for test media.
 *
 * A medium built without the product's setup program carries this program in its place, so that a
 * burned test medium says plainly what it is: pressing "install" on the launcher starts this, and it
 * shows a message box instead of installing anything.
 *
 * Built without a C runtime (see scripts/make-medium.sh): the entry point below is the whole program.
 * MessageBoxW is one of the few wide-character calls that Windows 95 and 98 also offer, so the German
 * umlaut shows correctly whatever the system's code page is. */
#include <windows.h>

static const wchar_t placeholderText[] =
    L"Platzhalter: Hier geh\u00f6rt das Setup-Programm des Produkts hin (SETUP32.EXE).\n"
    L"Dieser Datentr\u00e4ger ist ein Testdatentr\u00e4ger; es wird nichts installiert.\n"
    L"\n"
    L"Placeholder: the product's setup program (SETUP32.EXE) belongs here.\n"
    L"This is a test medium; nothing will be installed.";

static const wchar_t placeholderTitle[] = L"Qelvar Lumivane \u2013 Platzhalter / Placeholder";

void __stdcall PlaceholderEntry(void)
{
    MessageBoxW(NULL, placeholderText, placeholderTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    ExitProcess(0);
}

/* The log that the stubs share: one line per event, appended to the file named by the environment
 * variable LAUNCHER_STUB_LOG (a Windows path):
 *     <module path> TAB <text> CR LF
 * Without the variable nothing is written. */
#pragma once

void AppendStubLogLine(const char* modulePath, const char* text);

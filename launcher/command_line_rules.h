// How the system reads a command line it is asked to start: pure string rules, no platform calls.
#pragma once

#include <stdint.h>

// Splits `commandLine` into the program and its parameters as the system does when it starts a command
// line: white space before the program is skipped; a first word in double quotes is the program without
// its quotes (up to the closing quote, or to the end when none follows); otherwise the program is the
// first word, up to a space or tab. The parameters are the rest, past the white space after the program.
// The program is copied into `program` (`capacity` bytes); `*parameters` points into `commandLine`.
// Returns false, with an empty program and empty parameters, for a command line without a program
// (empty, white space only, or "") or one whose program does not fit.
bool SplitCommandLine(const char* commandLine, char* program, uint32_t capacity, const char** parameters);

#pragma once
// The icon verb's image work, kept apart from kodrix-cli: decoding icons and
// writing PNG needs the image libraries, which the other verbs do without.
// kodrix-cli loads it when the verb runs (the module kodrix-cli-icon.so
// beside the program); the tests link it in.
extern "C" {

// Writes icon `index` of the icon library at libraryPath (the substitute icon
// when the library lacks it or it is damaged) as PNG to outPath. Returns 0
// with *indexUsed and *substitute set, or 1 with the error text (cp1251,
// NUL-terminated, cut to errorSize) in error.
int kodrix_cli_write_icon(const char* libraryPath, unsigned index, const char* outPath, int* indexUsed,
                          int* substitute, char* error, unsigned long errorSize);
}

// writeLog: appends a text to the decryption log file. Nothing in the plug-in calls it; it keeps
// the file's place in the unit's interface. writeLogTo takes the path so it can be tested
// anywhere.
#include <cstdio>

#include "encoding/jnidecrypt.h"

int writeLogTo(const char* path, const char* text) {
  if (path == nullptr || text == nullptr) return 0;
  std::FILE* file = std::fopen(path, "a+");
  if (file == nullptr) return 0;
  std::fputs(text, file);
  return std::fclose(file);
}

int writeLog(const char* text) { return writeLogTo("/home/decrypt.log", text); }

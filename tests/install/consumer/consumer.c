/* A server's smallest use of the installed decoder, built by the install test once through
 * find_package and once through pkg-config: prints the clear text of the encoded password text in
 * its argument, or the code, offset and message of the refusal (status 1). */
#include <securepassword/decode.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  char clear[SPW_CLEAR_SIZE];
  char message[SPW_MESSAGE_SIZE];
  struct spw_result r;
  if (argc != 2) return 2;
  if (spw_decode(argv[1], strlen(argv[1]), clear, sizeof clear, &r) != SPW_OK) {
    spw_describe(&r, message, sizeof message);
    printf("%s %d %s\n", spw_code_name(r.code), r.offset, message);
    return 1;
  }
  printf("%s %d %s\n", clear, r.variant, spw_version());
  return 0;
}

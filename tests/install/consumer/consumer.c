/* A tiny program that uses the installed library from C. */
#include <stdio.h>
#include <string.h>
#include <zel/zel.h>

int main(void) {
    char text[ZEL_ERROR_TEXT_MAX];
    int status;
    zel_error_inq_text(ZEL_S_NO_MEMORY, text, &status);
    if (status != 0 || strstr(text, "KVXSC0151E") != text) {
        fprintf(stderr, "unexpected: %s\n", text);
        return 1;
    }
    printf("%s\n", text);
    return 0;
}

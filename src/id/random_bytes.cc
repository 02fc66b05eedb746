// Cryptographically strong random bytes from the crypto toolkit, whose
// context is set up once per process on first use.
#include <zel/codec.h>
#include <zel/status.h>

#include <kmt/qck.h>

#include <climits>
#include <cstring>

#include <pthread.h>
#include <unistd.h>

#include "init/library_message.h"

namespace {

constexpr const char *kSource = "core/zel_random";
constexpr const char *kToolkitLink = "/usr/lib/libkmt7cms.so";
constexpr size_t kLinkMax = 4096;

pthread_once_t zelqck_init_once_block = PTHREAD_ONCE_INIT;
QCK_CTX qck_ctx = nullptr;

// The part of path up to and including its last '/', or "./" when it has
// none, copied into destination (which must hold the path or three bytes).
char *kmt_dirname(char *destination, const char *path) {
    if (!destination || !path) return nullptr;
    const char *slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(destination, "./");
        return destination;
    }
    size_t length = static_cast<size_t>(slash - path) + 1;
    std::memmove(destination, path, length);
    destination[length] = '\0';
    return destination;
}

// The toolkit is installed in the parent of the folder that holds the
// library the link points to ("/opt/kmt/lib/libkmt7cms.so.8" gives
// "/opt/kmt/"). When the link cannot be read, the toolkit looks for itself.
void initializeContext() {
    char target[kLinkMax + 1], folder[kLinkMax + 3], install[kLinkMax + 3];
    const char *install_dir = nullptr;
    ssize_t length = readlink(kToolkitLink, target, kLinkMax);
    if (length > 0) {
        target[length] = '\0';
        kmt_dirname(folder, target);
        size_t folder_length = std::strlen(folder);
        if (folder_length > 0 && folder[folder_length - 1] == '/') folder[folder_length - 1] = '\0';
        install_dir = kmt_dirname(install, folder);
    }
    QCK_Status status;
    std::memset(&status, 0, sizeof status);
    QCK_CTX context = QCK_Init(&status, install_dir);
    if (!context) return;
    QCK_SetValue(context, &status, QCK_VALUE_FIPS_MODE, "off");
    std::memset(&status, 0, sizeof status);
    QCK_Attach(context, &status);
    qck_ctx = context;
}

unsigned int toolkit_failed() {
    unsigned long code = QCK_ERR_get_error(qck_ctx);
    if (code != 0) {
        char text[QCK_ERR_TEXT_SIZE] = "";
        QCK_ERR_error_string(qck_ctx, code, text);
        text[sizeof text - 1] = '\0';
        zel::library_message(kSource, 91, "%s%s", ZEL_S_QCK_CALL_ERROR, "QCK_RAND_bytes", text);
    } else {
        zel::library_message(kSource, 96, "%s", ZEL_S_QCK_CALL_FAILED, "QCK_RAND_bytes");
    }
    return ZEL_S_QCK_FAILED;
}

}  // namespace

extern "C" unsigned int zel_get_random_bytes(unsigned char *buffer, unsigned int length) {
    pthread_once(&zelqck_init_once_block, initializeContext);
    if (length == 0 || !buffer) return ZEL_S_SYSTEM_INPUT_INVALID;
    if (!qck_ctx) return ZEL_S_NO_MEMORY;
    // The toolkit counts in int: larger requests are filled in pieces.
    while (length > 0) {
        int piece = length > INT_MAX ? INT_MAX : static_cast<int>(length);
        if (QCK_RAND_bytes(qck_ctx, buffer, piece) != 1) return toolkit_failed();
        buffer += piece;
        length -= static_cast<unsigned int>(piece);
    }
    return 0;
}

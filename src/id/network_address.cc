// This host's IEEE 802 address: the hardware address of the first interface
// that is neither loopback nor point-to-point, or else the 12 hexadecimal
// digits at the start of /etc/ieee_802_addr.
#include <zel/status.h>
#include <zel/uuid.h>

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "id/uuid_hooks.h"

namespace {

const unsigned char null_802_hwaddr[6] = {0, 0, 0, 0, 0, 0};

int query(int fd, unsigned long request, void *arg) {
    if (zel::uuid_hooks.ioctl) return zel::uuid_hooks.ioctl(fd, request, arg);
    return ioctl(fd, request, arg);
}

int open_socket(int domain) {
    if (zel::uuid_hooks.socket) return zel::uuid_hooks.socket(domain, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return socket(domain, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

[[noreturn]] void give_up(const char *why) {
    printf("%s\n", why);
    exit(1);
}

// The hardware address of the first interface that is neither loopback nor
// point-to-point, when it has one that is not all zero.
bool interface_address(unsigned char *address) {
    int fd = open_socket(AF_INET6);
    if (fd < 0) fd = open_socket(AF_INET);
    if (fd < 0) give_up("Cant open socket");
    alignas(struct ifreq) char buffer[1024];
    struct ifconf list;
    list.ifc_len = sizeof buffer;
    list.ifc_buf = buffer;
    if (query(fd, SIOCGIFCONF, &list) != 0) {
        close(fd);
        give_up("ioctl(SIOCGIFCONF) failed");
    }
    size_t count = static_cast<size_t>(list.ifc_len) / sizeof(struct ifreq);
    if (count > sizeof buffer / sizeof(struct ifreq)) count = sizeof buffer / sizeof(struct ifreq);
    bool suitable = false, have_address = false;
    unsigned char candidate[6];
    for (size_t i = 0; i < count && !suitable; ++i) {
        struct ifreq request;
        memcpy(&request, buffer + i * sizeof request, sizeof request);
        request.ifr_name[IFNAMSIZ - 1] = '\0';
        if (query(fd, SIOCGIFFLAGS, &request) != 0) {
            close(fd);
            give_up("Error ioctl(SIOCGIFFLAGS)");
        }
        suitable = (request.ifr_flags & (IFF_LOOPBACK | IFF_POINTOPOINT)) == 0;
        have_address = query(fd, SIOCGIFHWADDR, &request) == 0;
        if (have_address) memcpy(candidate, request.ifr_hwaddr.sa_data, sizeof candidate);
    }
    close(fd);
    if (!suitable || !have_address || memcmp(candidate, null_802_hwaddr, sizeof candidate) == 0)
        return false;
    memcpy(address, candidate, sizeof candidate);
    return true;
}

// The first 12 bytes of the address file as 6 hexadecimal bytes. Only a
// regular file is read, so that a pipe or device put in its place cannot
// hold the caller up.
unsigned int file_address(unsigned char *address) {
    const char *path =
        zel::uuid_hooks.address_file ? zel::uuid_hooks.address_file : "/etc/ieee_802_addr";
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return ZEL_S_NO_NETWORK_ADDRESS;
    struct stat st;
    char digits[13];
    size_t got = 0;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        while (got < 12) {
            ssize_t n = read(fd, digits + got, 12 - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
    }
    close(fd);
    if (got < 12) return ZEL_S_NO_NETWORK_ADDRESS;
    digits[12] = '\0';
    for (int i = 0; i < 12; ++i) {
        if (!isxdigit(static_cast<unsigned char>(digits[i]))) return ZEL_S_BAD_ADDRESS_FILE;
    }
    unsigned int bytes[6];
    if (sscanf(digits, "%2x%2x%2x%2x%2x%2x", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
               &bytes[5]) != 6)
        return ZEL_S_BAD_ADDRESS_FILE;
    for (int i = 0; i < 6; ++i) address[i] = static_cast<unsigned char>(bytes[i]);
    return 0;
}

}  // namespace

extern "C" {

void vr_get_802_addr(unsigned char *address, unsigned int *status) {
    unsigned int spare;
    if (!status) status = &spare;
    if (!address) {
        *status = ZEL_S_SYSTEM_INPUT_INVALID;
        return;
    }
    *status = interface_address(address) ? 0 : file_address(address);
}

}  // extern "C"

/* A name database under the tests' control, preloaded into the pacsift binary
 * (LD_PRELOAD) so that end-to-end runs show names that do not depend on the
 * machine's /etc/hosts, /etc/services or /etc/ethers.
 *
 * PACSIFT_FAKE_NAMES names a text file of entries, one a line:
 *   host 10.0.0.1 alpha.example.com
 *   host 2001:db8::1 gamma.example.com   (an IPv6 address as inet_ntop writes it)
 *   service 80 tcp http
 *   ether 08:00:20:01:02:03 gateway
 *   wait 10.0.0.9 /tmp/some-fifo
 * A "wait" entry makes the host lookup of its address slow until the test
 * lets it go: the lookup first reads the named FIFO until its writer closes it.
 * Blank lines and lines starting with '#' are skipped. The file is read afresh
 * on every call; an address, port or protocol without an entry is not found.
 * Without PACSIFT_FAKE_NAMES every call goes on to the platform.
 *
 * Only the three lookups are replaced; ether_aton stays the platform's, so
 * pacsift still rejects badly formatted Ethernet addresses as it would. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/ether.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxFields = 4, kLineSize = 16384 };

static char line[kLineSize];
static char* fields[kMaxFields];

/* Reads the next entry of `file` into `fields`; returns its field count, or -1
 * at the end of the file. */
static int nextEntry(FILE* file) {
    while (fgets(line, sizeof line, file) != NULL) {
        int count = 0;
        char* save = NULL;
        for (char* word = strtok_r(line, " \t\r\n", &save); word != NULL && count < kMaxFields;
             word = strtok_r(NULL, " \t\r\n", &save))
            fields[count++] = word;
        if (count == 0 || fields[0][0] == '#') continue;
        return count;
    }
    return -1;
}

static FILE* openFixture(void) {
    const char* path = getenv("PACSIFT_FAKE_NAMES");
    return path == NULL ? NULL : fopen(path, "r");
}

static int controlled(void) { return getenv("PACSIFT_FAKE_NAMES") != NULL; }

static char hostNameText[kLineSize];
static char* noAliases[1] = {NULL};
static char hostAddress[16];
static char* hostAddresses[2] = {hostAddress, NULL};
static struct hostent hostEntry;

struct hostent* gethostbyaddr(const void* addr, socklen_t length, int family) {
    if (!controlled()) {
        struct hostent* (*platform)(const void*, socklen_t, int) =
            (struct hostent * (*)(const void*, socklen_t, int)) dlsym(RTLD_NEXT, "gethostbyaddr");
        return platform(addr, length, family);
    }
    h_errno = HOST_NOT_FOUND;
    if (!(family == AF_INET && length == 4) && !(family == AF_INET6 && length == 16)) return NULL;
    char dotted[INET6_ADDRSTRLEN];
    inet_ntop(family, addr, dotted, sizeof dotted);
    FILE* file = openFixture();
    if (file == NULL) return NULL;
    struct hostent* result = NULL;
    int count;
    while ((count = nextEntry(file)) >= 0) {
        if (count >= 3 && strcmp(fields[0], "wait") == 0 && strcmp(fields[1], dotted) == 0) {
            int fifo = open(fields[2], O_RDONLY);
            char ignored[64];
            while (fifo >= 0 && read(fifo, ignored, sizeof ignored) > 0) continue;
            if (fifo >= 0) close(fifo);
            continue;
        }
        if (count < 3 || strcmp(fields[0], "host") != 0 || strcmp(fields[1], dotted) != 0) continue;
        strcpy(hostNameText, fields[2]);
        memcpy(hostAddress, addr, length);
        hostEntry.h_name = hostNameText;
        hostEntry.h_aliases = noAliases;
        hostEntry.h_addrtype = family;
        hostEntry.h_length = (int)length;
        hostEntry.h_addr_list = hostAddresses;
        result = &hostEntry;
        break;
    }
    fclose(file);
    return result;
}

static char serviceNameText[kLineSize];
static char serviceProtocol[64];
static struct servent serviceEntry;

struct servent* getservbyport(int port, const char* protocol) {
    if (!controlled()) {
        struct servent* (*platform)(int, const char*) =
            (struct servent * (*)(int, const char*)) dlsym(RTLD_NEXT, "getservbyport");
        return platform(port, protocol);
    }
    FILE* file = openFixture();
    if (file == NULL) return NULL;
    unsigned hostPort = ntohs((uint16_t)port);
    struct servent* result = NULL;
    int count;
    while ((count = nextEntry(file)) >= 0) {
        if (count < 4 || strcmp(fields[0], "service") != 0) continue;
        if (strtoul(fields[1], NULL, 10) != hostPort) continue;
        if (protocol != NULL && strcmp(fields[2], protocol) != 0) continue;
        strcpy(serviceNameText, fields[3]);
        snprintf(serviceProtocol, sizeof serviceProtocol, "%s", fields[2]);
        serviceEntry.s_name = serviceNameText;
        serviceEntry.s_aliases = noAliases;
        serviceEntry.s_port = port;
        serviceEntry.s_proto = serviceProtocol;
        result = &serviceEntry;
        break;
    }
    fclose(file);
    return result;
}

int ether_ntohost(char* hostname, const struct ether_addr* addr) {
    if (!controlled()) {
        int (*platform)(char*, const struct ether_addr*) =
            (int (*)(char*, const struct ether_addr*))dlsym(RTLD_NEXT, "ether_ntohost");
        return platform(hostname, addr);
    }
    FILE* file = openFixture();
    if (file == NULL) return -1;
    int found = -1;
    int count;
    while ((count = nextEntry(file)) >= 0) {
        if (count < 3 || strcmp(fields[0], "ether") != 0) continue;
        unsigned bytes[6];
        if (sscanf(fields[1], "%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
                   &bytes[5]) != 6)
            continue;
        int same = 1;
        for (int i = 0; i < 6; ++i) same = same && bytes[i] == addr->ether_addr_octet[i];
        if (!same) continue;
        /* The platform copies the name in without a bound; so does this. */
        strcpy(hostname, fields[2]);
        found = 0;
        break;
    }
    fclose(file);
    return found;
}

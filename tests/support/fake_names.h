#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// The controlled name database of the end-to-end tests (tests/support/fake_names.c):
// a library preloaded into the pacsift binary that answers host, service and
// Ethernet lookups from a fixture file of lines such as
//   host 10.0.0.1 alpha.example.com
//   service 80 tcp http
//   ether 08:00:20:01:02:03 gateway
// and finds nothing else.

// Writes `entries` to a fresh file under the build directory and returns its path.
inline std::string writeNameFixture(const std::string& entries) {
    std::string pattern = std::string(PACSIFT_BINARY_DIR) + "/fake-names-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) return "";
    close(fd);
    std::ofstream(pattern, std::ios::binary) << entries;
    return pattern;
}

// The environment entries for runPacsift() that put the fixture file in place
// of the platform's databases. A sanitized binary needs its ASan runtime first
// in the preload list.
inline std::vector<std::string> fakeNamesEnv(const std::string& fixtureFile) {
    std::string preload = PACSIFT_FAKE_NAMES_LIB;
    std::string first = PACSIFT_PRELOAD_FIRST;
    if (!first.empty()) preload = first + ":" + preload;
    return {"LD_PRELOAD=" + preload, "PACSIFT_FAKE_NAMES=" + fixtureFile};
}

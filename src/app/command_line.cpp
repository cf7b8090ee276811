#include "app/command_line.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "common/char_classes.h"
#include "common/options.h"
#include "common/output.h"
#include "common/program_end.h"

namespace {
// -w's value as atoi reads it (leading blanks, a sign, digits), held to the
// range of an int rather than overflowing.
long leadingInteger(const char* word) {
    long value = std::strtol(word, nullptr, 10);
    if (value > INT_MAX) value = INT_MAX;
    if (value < INT_MIN) value = INT_MIN;
    return value;
}

const char* const helpLines[] = {
    "",
    "Copyright (c) 2026 The pacsift authors. All rights reserved.",
    "Contact: the pacsift authors, through the project's issue tracker.",
    "",
    "pacsift -- decode a tcpdump(1) savefile, giving a fully",
    "           decoded display of Ethernet, ARP, RARP, IP, ICMP,",
    "           UDP and TCP headers and an ASCII display of",
    "           the application data.\n",
};

const char* const optionLines[] = {
    "Usage: pacsift [ options ... ] [ expr ]",
    "\nwhere options are as follows",
    "\t-b\t\tdo not break/wrap long lines",
    "\t-sb\t\tshow breaks (show where we broke a line)",
    "\t-w width\tset pagewidth to \"width\" columns (used by -b)",
    "\t-noLink\t\tdon't decode link header (Ethernet header)",
    "\t-noIp\t\tdon't decode IP header",
    "\t-extended\tdecode IPv6, VLAN, LLC, MPLS, PPPoE, GRE and more",
    "\t-noHostNames\tdon't map IP addresses to host names",
    "\t-fqdn\t\tshow host names as fully-qualified",
    "\t-noEtherNames\tdon't map Ethernet addresses to host names",
    "\t-noPortNames\tdon't map port numbers to names",
    "\t-noData\t\tdon't show data (show headers only)",
    "\t-minHdrDecode\tshow only a minimal header decode",
    "\t-track\t\ttrack sequence numbers (show next-expected ACK)",
    "\t-terse\t\tshow header decode in compact format (default)",
    "\t-verbose\tshow header decode in expanded format",
    "\t-cooked\t\tdon't run tcpdump to pre-process the input",
    "\t-pp\t\tpoint-to-point link (no Ethernet header available)",
    "\t-s\t\tdisplay hex dump of spurious data at packet-end",
    "\t-h\t\tdisplay this help summary\n",
};

void putLine(const char* text) {
    putText(text);
    putChar('\n');
}
}  // namespace

void usage() {
    for (const char* line : helpLines) putLine(line);
    // The version is fixed text, so no locale can change its decimal point.
    putText("Version " PACSIFT_VERSION "\n\n");
    for (const char* line : optionLines) putLine(line);
    putText("expr is a tcpdump(1) expression, and is only valid when ");
    putLine("the -cooked\noption is not used.\n");
    putText("Input is from stdin, ");
    putLine("which must be a raw tcpdump(1) data file (savefile),");
    putText("unless the -cooked option is used, in which case stdin ");
    putLine("must be in the\nformat produced by tcpdump -lenx.\n");
    putLine("Output is to stdout.\n");
    putLine("tcpdump(1) must be on your PATH unless -cooked is used.\n");
    endProgram(0);
}

std::span<char* const> parseOptions(std::span<char* const> words) {
    size_t i = 0;
    for (; i < words.size() && words[i][0] == '-'; ++i) {
        const char* word = words[i];
        auto is = [word](const char* option) { return std::strcmp(word, option) == 0; };
        if (is("-minHdrDecode")) {
            options.noIp = options.noLink = options.minHdrDecode = true;
        } else if (is("-s")) {
            options.showSpurious = true;
        } else if (is("-b")) {
            options.noBreak = true;
        } else if (is("-sb")) {
            options.showBreaks = true;
        } else if (is("-terse")) {
            options.verbose = false;
        } else if (is("-verbose")) {
            options.verbose = true;
        } else if (is("-track")) {
            options.track = true;
        } else if (is("-noData")) {
            options.noData = true;
        } else if (is("-noLink")) {
            options.noLink = true;
        } else if (is("-noIp")) {
            options.noIp = true;
        } else if (is("-extended")) {
            options.extended = true;
        } else if (is("-noHostNames")) {
            options.noHostNames = true;
        } else if (is("-noEtherNames")) {
            options.noEtherNames = true;
        } else if (is("-noPortNames")) {
            options.noPortNames = true;
        } else if (is("-fqdn")) {
            options.fqdn = true;
        } else if (is("-cooked")) {
            options.cooked = true;
        } else if (is("-pp")) {
            options.pointToPoint = true;
        } else if (is("-h") || is("--help")) {
            usage();
        } else if (is("--version")) {
            putText("pacsift " PACSIFT_VERSION "\n");
            endProgram(0);
        } else if (is("-w")) {
            if (++i == words.size()) fatal("-w needs a numeric argument");
            long width = leadingInteger(words[i]);
            if (width < 1) fatal("-w value too small");
            options.pageWidth = static_cast<int>(width);
        } else {
            fatal("Unknown command line flag");
        }
    }
    return words.subspan(i);
}

void selectLocale() {
    // LC_CTYPE is consulted before LC_ALL; a locale that cannot be set is ignored.
    if (const char* value = std::getenv("LC_CTYPE"))
        std::setlocale(LC_CTYPE, value);
    else if (const char* all = std::getenv("LC_ALL"))
        std::setlocale(LC_ALL, all);
    loadCharClasses();
}

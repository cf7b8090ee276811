#pragma once

// The command-line settings: filled once at start-up, read-only afterwards.
struct Options {
    bool noIp = false;
    bool noLink = false;
    bool minHdrDecode = false;
    bool showSpurious = false;
    bool noBreak = false;
    bool showBreaks = false;
    bool verbose = false;
    bool track = false;
    bool noData = false;
    bool noHostNames = false;
    bool noEtherNames = false;
    bool noPortNames = false;
    bool fqdn = false;
    bool cooked = false;
    bool pointToPoint = false;
    bool extended = false;        // -extended: VLAN tags, IPv6 and ICMPv6 decoded too
    int pageWidth = 60;
};

extern Options options;

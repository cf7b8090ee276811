#pragma once

#include <cstdint>
#include <span>

// What arrives on standard input, checked before tcpdump is started.

// Stops with a message and status 1 when standard input is a terminal: a
// savefile must be redirected there. When the first expression word names an
// existing file, the message says to use "pacsift < FILE".
void refuseTerminalInput(std::span<char* const> expression);

// When standard input is a regular file holding a savefile whose link type is
// not Ethernet (a pcap file's header, a pcapng file's first interface), says
// so once on standard error and names -pp. The header is read where tcpdump
// will read it, without moving the file offset.
void warnOfLinkType();

// tcpdump failed on standard input: when the first expression word names an
// existing file, says how to decode that file.
void hintAtFileName(std::span<char* const> expression);

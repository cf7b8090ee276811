#include "decode/protocol_table.h"

#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "present/names.h"

namespace {
// Address texts and their short-form display texts.
char senderMac[18], senderIp[16], targetMac[18], targetIp[16];
char senderMacName[256], senderIpName[256], targetMacName[256], targetIpName[256];
}  // namespace

HexCursor decodeArp(HexCursor cursor) {
    uint16_t hardwareType = getShort(cursor);
    uint16_t protocolType = getShort(cursor);
    uint8_t hardwareLength = getByte(cursor);
    uint8_t protocolLength = getByte(cursor);
    uint16_t operation = getShort(cursor);
    std::memcpy(senderMac, getEtherAddr(cursor), sizeof senderMac);
    std::memcpy(senderIp, getIpAddr(cursor), sizeof senderIp);
    std::memcpy(targetMac, getEtherAddr(cursor), sizeof targetMac);
    std::memcpy(targetIp, getIpAddr(cursor), sizeof targetIp);

    copyBounded(senderMacName, etherHostName(senderMac, true));
    copyBounded(targetMacName, etherHostName(targetMac, true));
    copyBounded(senderIpName, hostName(senderIp, true));
    copyBounded(targetIpName, hostName(targetIp, true));

    bool rarp = state.etherType == kEtherTypeRarp;
    const char* kind = rarp ? "RARP" : "ARP";
    const char* hardwareWord = hardwareType == 1 ? "Ethernet" : "<unknown>";
    const char* protocolWord = protocolType == kEtherTypeIp ? "IP" : "<unknown>";
    const char* operationWord = operation == (rarp ? 3 : 1) ? "request" : "response";

    switch (displayForm()) {
    case Form::oneLine:
        if (!rarp && operation == 2)
            putFormat("%s says to %s it's at %s\n", senderIpName, targetIpName, senderMacName);
        else if (!rarp && operation == 1)
            putFormat("%s (%s) asks where is %s\n", senderIpName, senderMacName, targetIpName);
        else if (rarp && operation == 4)
            putFormat("%s says to %s its %s address is %s\n", senderIpName, targetMacName, protocolWord, targetIpName);
        else if (rarp && operation == 3)
            putFormat("%s asks for its %s address\n", senderMacName, protocolWord);
        break;
    case Form::verbose:
        putFormat("%s Header\n", kind);
        putField("Hardware Type:", "%s", hardwareWord);
        putField("Protocol Type:", "%s", protocolWord);
        putField("Hardware Address Length:", "%d bytes", hardwareLength);
        putField("Protocol Address Length:", "%d bytes", protocolLength);
        putField("Operation:", "%s %s", kind, operationWord);
        putLabel("Sender Hardware Address:");
        putText(senderMac);
        etherSuffix(senderMac);
        putChar('\n');
        putLabel("Sender IP Address:");
        putText(senderIp);
        hostSuffix(senderIp);
        putChar('\n');
        putLabel("Target Hardware Address:");
        putText(targetMac);
        etherSuffix(targetMac);
        putChar('\n');
        putLabel("Target IP Address:");
        putText(targetIp);
        hostSuffix(targetIp);
        putChar('\n');
        break;
    case Form::terse:
        putFormat("%s:\thtype=%s ptype=%s hlen=%d plen=%d op=%s\n", kind, hardwareWord, protocolWord, hardwareLength,
                  protocolLength, operationWord);
        putFormat("\tsender-MAC-addr=%s sender-IP-address=%s\n", senderMacName, senderIpName);
        putFormat("\ttarget-MAC-addr=%s target-IP-address=%s\n", targetMacName, targetIpName);
        break;
    }
    return cursor;
}
